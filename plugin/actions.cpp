#include "actions.h"

#include "catalogue.h"
#include "panels.h"
#include "dialogs/object_dialog.h"
#include "resources/texts.h"

#include <string>

namespace {

std::string Param(const HostString* params, int index) {
  if (!params || !params[index]) return {};
  return params[index];
}

}  // namespace

bool ExecAction(std::int32_t id, const HostString* params) {
  switch (id) {
    case kActionCreate: {
      const std::string object = Param(params, 0), variable = Param(params, 1);
      return AttachPanel(object, variable);
    }
    case kActionExecute: {
      const std::string object = Param(params, 0), zoom = Param(params, 1);
      return StartPanel(object, zoom);
    }
    case kActionClose:
      return ClosePanel(Param(params, 0));
    default:
      return false;
  }
}

bool EditAction(std::int32_t id, HostString* params) {
  if (params == nullptr) return false;  // no block, nothing to edit
  switch (id) {
    case kActionCreate:
      return EditObjectParamAction(&params[0], &params[1], texts::kVariableNameLabel);
    case kActionExecute:
      return EditObjectParamAction(&params[0], &params[1], texts::kScaleLabel);
    case kActionClose:
      return EditObjectAction(&params[0]);
    default:
      return false;
  }
}
