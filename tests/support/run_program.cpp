#include "tests/support/run_program.h"

#include "shell/host/files.h"
#include "shell/host/paths.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <fstream>
#include <optional>
#include <random>
#include <sstream>

namespace vx::test {
namespace {

#ifdef _WIN32
std::wstring Wide(const std::string& utf8) { return host::Utf8ToPath(utf8).wstring(); }

// One word of a command line as the C runtime's argument parser reads it back.
std::wstring Quoted(const std::wstring& w) {
  if (!w.empty() && w.find_first_of(L" \t\n\v\"") == std::wstring::npos) return w;
  std::wstring q = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < w.size() && w[i] == L'\\') ++i, ++backslashes;
    if (i == w.size()) {
      q.append(backslashes * 2, L'\\');
      break;
    }
    if (w[i] == L'"') q.append(backslashes * 2 + 1, L'\\');
    else q.append(backslashes, L'\\');
    q.push_back(w[i]);
  }
  return q + L"\"";
}

void SetVariable(const std::string& name, const std::optional<std::string>& value) {
  SetEnvironmentVariableW(Wide(name).c_str(), value ? Wide(*value).c_str() : nullptr);
}

std::optional<std::string> Variable(const std::string& name) {
  const std::wstring w = Wide(name);
  const DWORD n = GetEnvironmentVariableW(w.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring v(n, L'\0');
  v.resize(GetEnvironmentVariableW(w.c_str(), v.data(), n));
  return host::PathToUtf8(std::filesystem::path(v));
}

int Spawn(const std::filesystem::path& program, const std::vector<std::string>& words,
          const std::filesystem::path& in, const std::filesystem::path& out, const std::filesystem::path& err) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto open = [&](const std::filesystem::path& p, bool write) {
    return CreateFileW(p.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE hIn = open(in, false), hOut = open(out, true), hErr = open(err, true);
  int status = -1;
  if (hIn != INVALID_HANDLE_VALUE && hOut != INVALID_HANDLE_VALUE && hErr != INVALID_HANDLE_VALUE) {
    std::wstring line = Quoted(program.wstring());
    for (const std::string& w : words) line += L" " + Quoted(Wide(w));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = hIn;
    si.hStdOutput = hOut;
    si.hStdError = hErr;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
      WaitForSingleObject(pi.hProcess, INFINITE);
      DWORD code = 0;
      if (GetExitCodeProcess(pi.hProcess, &code)) status = static_cast<int>(code);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
  for (HANDLE h : {hIn, hOut, hErr})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return status;
}
#else
void SetVariable(const std::string& name, const std::optional<std::string>& value) {
  if (value) setenv(name.c_str(), value->c_str(), 1);
  else unsetenv(name.c_str());
}

std::optional<std::string> Variable(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  return v ? std::optional<std::string>(v) : std::nullopt;
}

int Spawn(const std::filesystem::path& program, const std::vector<std::string>& words,
          const std::filesystem::path& in, const std::filesystem::path& out, const std::filesystem::path& err) {
  std::vector<std::string> argv{program.string()};
  argv.insert(argv.end(), words.begin(), words.end());
  std::vector<char*> ptrs;
  for (std::string& a : argv) ptrs.push_back(a.data());
  ptrs.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int fds[] = {open(in.c_str(), O_RDONLY), open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
                       open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)};
    for (int i = 0; i < 3; ++i)
      if (fds[i] < 0 || dup2(fds[i], i) < 0) _exit(127);
    execv(ptrs[0], ptrs.data());
    _exit(127);
  }
  int raw = 0;
  if (waitpid(pid, &raw, 0) != pid) return -1;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
#endif

}  // namespace

ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& words,
                      const std::string& stdinText, const std::vector<std::pair<std::string, std::string>>& env) {
  const auto dir = std::filesystem::temp_directory_path();
  const std::string tag = std::to_string(std::random_device{}());
  const auto in = dir / ("vx-in-" + tag), out = dir / ("vx-out-" + tag), err = dir / ("vx-err-" + tag);
  { std::ofstream(in, std::ios::binary) << stdinText; }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  for (const auto& [name, value] : env) {
    saved.emplace_back(name, Variable(name));
    SetVariable(name, value.empty() ? std::nullopt : std::optional<std::string>(value));
  }
  ProgramRun r;
  r.status = Spawn(program, words, in, out, err);
  for (auto it = saved.rbegin(); it != saved.rend(); ++it) SetVariable(it->first, it->second);
  r.out = FileBytes(out);
  r.err = FileBytes(err);
  std::error_code ec;
  for (const auto& p : {in, out, err}) std::filesystem::remove(p, ec);
  return r;
}

std::string FileBytes(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace vx::test
