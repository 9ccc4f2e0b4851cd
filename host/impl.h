// Private parts of the stand-in host shared by its source files.
#pragma once

#include "host/c_tables.h"
#include "host/standin.h"
#include "host/edge.h"
#include "shell/host/check.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace vx::host {

struct EmptySuite {};

// Texts in saved documents (document_io.cpp), shared by the document formats.
// Well-formed UTF-8: shortest forms, no surrogates, nothing past U+10FFFF.
bool ValidUtf8(std::string_view s);
// Bytes as lower-case hexadecimal, two digits a byte.
std::string Hex(std::string_view s);
// Messages quote texts from the file; they stay one line.
std::string OneLine(std::string s);
// Runs a document's save; what it throws becomes the message of a document not saved.
bool GuardedSave(const std::filesystem::path& file, std::string& error, const std::function<bool()>& save);

struct StandInHost::Impl {
  // Suite objects by (name, version), as the pointer of the suite's interface class.
  std::map<std::pair<std::string, std::int32_t>, const void*> registry;
  std::vector<std::shared_ptr<void>> owned;  // keeps the suite objects alive
  nlohmann::json prefs = nlohmann::json::object();  // "prefix/key" → {"type", "value"}
  BasicSuite basic{};
  std::map<std::string, int> held;  // acquisitions not yet released, by suite name
};

// Registers every suite of the stand-in host into `impl`.
void RegisterDocumentSuites(StandInHost& host, StandInHost::Impl& impl);
void RegisterInterfaceSuites(StandInHost& host, StandInHost::Impl& impl);

// Adds one suite object under its interface class.
template <class Interface, class Object>
void AddSuite(StandInHost::Impl& impl, const char* name, std::int32_t version, std::shared_ptr<Object> object) {
  Interface* iface = object.get();
  const std::pair<std::string, std::int32_t> key(name, version);
  if (!impl.registry.emplace(key, static_cast<const void*>(iface)).second)
    throw std::logic_error(std::string("the stand-in host offers ") + name + " twice");
  impl.owned.push_back(std::move(object));
  HostSuiteObject<Interface>() = iface;
}

}  // namespace vx::host
