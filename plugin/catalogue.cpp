#include "catalogue.h"

#include "framework/encoding.h"
#include "resources/texts.h"

const std::vector<CatalogueRow>& Catalogue() {
  static const std::vector<CatalogueRow> rows = {
      {kCategoryRow, Utf8ToCp1251(texts::kCategoryCreate), texts::kCategoryCreateHint, {kCodeNone}, 0},
      {kActionCreate, "VitrelleCreate", Utf8ToCp1251(texts::kHintCreate), {kCodeText, kCodeVariable}, 2},
      {kCategoryRow, Utf8ToCp1251(texts::kCategoryMagnifier), texts::kCategoryMagnifierHint, {kCodeNone}, 0},
      {kActionExecute, "VitrelleExecute", Utf8ToCp1251(texts::kHintExecute), {kCodeText, kCodeText}, 2},
      {kActionClose, "VitrelleClose", Utf8ToCp1251(texts::kHintClose), {kCodeText}, 1},
  };
  return rows;
}

void RegisterCatalogue(AddActionProc addAction) {
  for (const CatalogueRow& row : Catalogue()) {
    addAction(row.id, row.name.c_str(), row.hint.c_str(), row.paramCount,
              static_cast<std::int32_t>(row.codes.size()) - 1, row.codes.data());
  }
}
