// A plug-in module loaded into the process (LoadLibraryW on Windows, dlopen elsewhere): the host
// reaches the plug-in only through the module's one export, PluginMain.
#pragma once

#include "shell/host/plugin_main.h"

#include <filesystem>
#include <memory>
#include <string>

namespace vx::host {

class PluginModule {
 public:
  // The name of the entry the module must export.
  static constexpr const char* kEntryName = "PluginMain";

  // Loads `file` and finds its entry. On failure answers nullptr and `error` says why in one
  // line, naming the file.
  static std::unique_ptr<PluginModule> Load(const std::filesystem::path& file, std::string& error);
  // Unloads the module: nothing of it may be called afterwards.
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  PluginMainProc Main() const { return main_; }
  const std::filesystem::path& File() const { return file_; }

 private:
  PluginModule(void* handle, PluginMainProc main, std::filesystem::path file)
      : handle_(handle), main_(main), file_(std::move(file)) {}
  void* handle_;
  PluginMainProc main_;
  std::filesystem::path file_;
};

}  // namespace vx::host
