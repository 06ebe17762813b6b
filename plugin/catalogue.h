// The actions the plug-in offers, as registered with the host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "boundary/boundary.h"

enum ActionId : std::int32_t {
  kCategoryRow = 0,
  kActionCreate = 1,   // VitrelleCreate: attach a panel to a Rectangle
  kActionExecute = 3,  // VitrelleExecute: open the lens at a zoom
  kActionClose = 4,    // VitrelleClose: close the lens
};

// Parameter type codes, which belong to the host.
enum ParamCode : std::uint8_t { kCodeNone = 0, kCodeText = 1, kCodeVariable = 6 };

struct CatalogueRow {
  std::int32_t id;
  std::string name;  // Windows-1251
  std::string hint;  // Windows-1251
  std::vector<std::uint8_t> codes;  // at least one code: a row without parameters passes a 0
  std::int32_t paramCount;
};

// The five rows in registration order; built once, lives for the life of the library.
const std::vector<CatalogueRow>& Catalogue();

// Calls AddAction once per row, in order. Its results are ignored.
void RegisterCatalogue(AddActionProc addAction);
