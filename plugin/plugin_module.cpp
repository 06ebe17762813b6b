#include "plugin/plugin_module.h"

PluginModule& PluginModule::Get() {
  static PluginModule module;
  return module;
}

void PluginModule::FreeAll() {
  panels_.FreeAll();
  lenses_.DeleteAll();
}

PluginModule::~PluginModule() {
  panels_.Abandon();
  lenses_.Abandon();
}
