#include "geodesy/host_services.h"

#include "shell/host/slots.h"

#include <string>

namespace vx::geo {

ConverterHost HostConverterServices(host::PluginRef plugin) {
  ConverterHost services;
  services.gridFile = [plugin] {
    std::filesystem::path file;
    host::PluginsSuite* plugins = host::sPlugins();
    if (!plugins || plugins->GetPluginFileSpecification(plugin, file) != host::kNoErr) return std::filesystem::path();
    return GridFileBeside(file);
  };
  services.warn = [](std::string_view text) {
    if (host::UserSuite* user = host::sUser()) user->WarningAlert(std::string(text));
  };
  return services;
}

}  // namespace vx::geo
