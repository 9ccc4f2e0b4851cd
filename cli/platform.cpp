#include "cli/platform.h"

#include "shell/host/paths.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#else
#include <csignal>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#endif
#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace vx::cli {

std::filesystem::path ProgramFile() {
#ifdef _WIN32
  std::wstring buffer(512, L'\0');
  for (int attempt = 0; attempt < 8; ++attempt, buffer.resize(buffer.size() * 2)) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::filesystem::path(buffer.substr(0, n));
  }
  return {};
#else
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : p;
#endif
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  std::vector<std::string> words;
#ifdef _WIN32
  (void)argv;
  int n = 0;
  if (LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n)) {
    for (int i = 0; i < n; ++i) words.push_back(host::PathToUtf8(std::filesystem::path(w[i])));
    LocalFree(w);
    if (n == argc) return words;
    words.clear();
  }
#endif
  for (int i = 0; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

void PrepareStandardStreams() {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
#else
  std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

void PreferLargePages() {
#if defined(__linux__) && defined(__GLIBC__)
  // The heap grows once by a whole window, which is marked for large pages; blocks below 32 MiB
  // come from it and it is never given back. Only what is touched costs memory. Past the window
  // the heap grows in small pages as before.
  std::size_t window = std::size_t{1} << 30;
  for (const int what : {RLIMIT_DATA, RLIMIT_AS}) {
    rlimit l{};
    if (getrlimit(what, &l) == 0 && l.rlim_cur != RLIM_INFINITY) window = std::min<std::size_t>(window, l.rlim_cur / 4);
  }
  if (window < (std::size_t{64} << 20)) return;  // a tight limit: leave the heap as it is
  constexpr int kDefaultTopPad = 128 * 1024;
  constexpr int kLarge = 32 << 20;
  if (!(mallopt(M_MMAP_THRESHOLD, kLarge) && mallopt(M_TRIM_THRESHOLD, INT_MAX) &&
        mallopt(M_TOP_PAD, static_cast<int>(window))))
    return;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
  // A block larger than the heap's free top makes it grow now, by the window.
  void* volatile probe = std::malloc(std::size_t{1} << 20);  // volatile: kept, not optimised away
  const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
  std::free(probe);
  mallopt(M_TOP_PAD, kDefaultTopPad);
  const std::uintptr_t from = (before + page - 1) / page * page;
  if (after > from) madvise(reinterpret_cast<void*>(from), after - from, MADV_HUGEPAGE);
#endif
}

}  // namespace vx::cli
