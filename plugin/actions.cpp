#include "plugin/actions.h"

#include "plugin/catalogue.h"
#include "plugin/panels.h"
#include "dialogs/object_dialog.h"
#include "resources/texts.h"

#include <string>

namespace {

std::string Param(const HostString* params, int index) {
  if (!params || !params[index]) return {};
  return params[index];
}

}  // namespace

bool ExecAction(PanelList& panels, std::int32_t id, const HostString* params) {
  switch (id) {
    case kActionCreate: {
      const std::string object = Param(params, 0), variable = Param(params, 1);
      return panels.Attach(object, variable);
    }
    case kActionExecute: {
      const std::string object = Param(params, 0), zoom = Param(params, 1);
      return panels.Start(object, zoom);
    }
    case kActionClose:
      return panels.Close(Param(params, 0));
    default:
      return false;
  }
}

bool EditAction(const HostServices& host, std::int32_t id, HostString* params) {
  if (params == nullptr) return false;  // no block, nothing to edit
  switch (id) {
    case kActionCreate:
      return EditObjectParamAction(&params[0], &params[1], texts::kVariableNameLabel, host);
    case kActionExecute:
      return EditObjectParamAction(&params[0], &params[1], texts::kScaleLabel, host);
    case kActionClose:
      return EditObjectAction(&params[0], host);
    default:
      return false;
  }
}
