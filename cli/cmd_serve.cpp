// vxshape serve: the stand-in host in a web browser. One document, one page, on this machine only.
#ifdef VX_SERVE
#include "cli/commands.h"
#include "cli/http_server.h"
#include "cli/session.h"
#include "host/application.h"
#include "serve/dialog_templates.h"
#include "serve/web_session.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#ifndef VX_WEB_DIR
#define VX_WEB_DIR ""
#endif

namespace vx::cli {
namespace {

namespace fs = std::filesystem;

std::atomic<bool> gStop{false};
int gWake[2] = {-1, -1};  // written by the stop signal and at the server's end: the watcher waits on it
void Wake() {
  const char c = 1;
  if (gWake[1] >= 0) (void)!write(gWake[1], &c, 1);
}
extern "C" void OnStopSignal(int) {
  gStop = true;
  Wake();  // write() is safe in a signal handler
}

// The page's files: a web/ folder beside the program, else the one in the source tree.
struct WebFiles {
  std::string index, script, style;
};

WebFiles LoadWebFiles(const std::string& dirOption) {
  std::vector<fs::path> candidates;
  if (!dirOption.empty()) candidates.push_back(host::Utf8ToPath(dirOption));
  candidates.push_back(PluginFile("").parent_path() / "web");
  if (*VX_WEB_DIR) candidates.push_back(VX_WEB_DIR);
  auto read = [](const fs::path& f, std::string& out) {
    std::ifstream in(f, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
  };
  for (const fs::path& dir : candidates) {
    WebFiles w;
    if (read(dir / "index.html", w.index) && read(dir / "app.js", w.script) && read(dir / "style.css", w.style)) return w;
  }
  throw Failure("the page's files (web/index.html, app.js, style.css) were not found beside the program");
}

std::string NewToken() {
  std::random_device random;
  std::string t;
  static const char* hex = "0123456789abcdef";
  for (int i = 0; i < 32; ++i) t += hex[random() & 15];
  return t;
}

// Compares in time independent of where the texts differ.
bool SameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char d = 0;
  for (std::size_t i = 0; i < a.size(); ++i) d |= static_cast<unsigned char>(a[i] ^ b[i]);
  return d == 0;
}

// Arrays and objects nested deeper than this are refused before parsing.
constexpr int kMostJsonDepth = 32;

// True when `text` nests arrays and objects deeper than `most` (counted outside strings).
bool NestedDeeperThan(const std::string& text, int most) {
  int depth = 0;
  bool inString = false, escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == '"') inString = true;
    else if (c == '[' || c == '{') {
      if (++depth > most) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

void Json(http::Response& res, int status, const nlohmann::json& body) {
  res.status = status;
  res.Content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), "application/json; charset=utf-8");
}

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("serve", "Open a document in the stand-in host and work on it in a web browser");
  auto doc = std::make_shared<std::string>();
  auto root = std::make_shared<std::string>();
  auto prefs = std::make_shared<std::string>();
  auto pluginDir = std::make_shared<std::string>();
  auto webDir = std::make_shared<std::string>();
  auto port = std::make_shared<int>(8780);
  auto goneAfter = std::make_shared<int>(30);
  cmd->add_option("DOC", *doc, "Document to open; saved only when the page's Save is pressed")->required();
  cmd->add_option("--port", *port, "Port on 127.0.0.1 (0: any free port)")->check(CLI::Range(0, 65535))->capture_default_str();
  cmd->add_option("--root", *root, "Folder the page's file dialogs may browse (default: the document's folder)");
  cmd->add_option("--preferences", *prefs, "Preferences file (default: $VXSHAPE_PREFERENCES or ~/.config/vxshape)");
  cmd->add_option("--plugin-dir", *pluginDir, "Folder the plug-in is installed in (default: the program's folder)");
  cmd->add_option("--web-dir", *webDir, "Folder of the page's files (default: web/ beside the program)");
  cmd->add_option("--gone-after", *goneAfter, "Seconds without a word from the page before what it is asked is cancelled")
      ->check(CLI::Range(1, 86400))
      ->capture_default_str();
  cmd->callback([=] {
    ExitStatus() = Guard([&] {
      const WebFiles web = LoadWebFiles(*webDir);
      host::StandInHost host;
      UsePreferences(host, *prefs);
      // The page may save the document at any time: it is held for as long as the server runs.
      OpenDocumentForChange(host, *doc);
      const fs::path docFile = fs::absolute(host::Utf8ToPath(*doc));
      const fs::path rootDir = root->empty() ? docFile.parent_path() : fs::absolute(host::Utf8ToPath(*root));
      if (!fs::is_directory(rootDir)) throw Failure(*root + ": no such folder");

      // Every file the page's commands open or create below the root is reached without links.
      std::error_code ec;
      host::ConfineFilesBelow(fs::canonical(rootDir, ec));
      host::Application application(host);
      serve::WebSession session(host, application, docFile, rootDir);
      session.SetGoneAfter(std::chrono::seconds(*goneAfter));
      const std::string token = NewToken();

      std::string loadError;
      const std::unique_ptr<http::Server> server = http::NewServer(loadError);
      if (!server) throw Failure(loadError);
      http::Server& svr = *server;
      svr.SetGate([&](const http::Request& req, http::Response& res) {
        if (std::string reason; const int status = req.Refused(reason)) {
          Json(res, status, {{"error", reason}});
          return true;
        }
        std::string given = req.Param("token");
        if (given.empty()) given = req.Header("X-Vx-Token");
        if (!SameSecret(given, token)) {
          Json(res, 401, {{"error", "正しいトークンが必要です"}});
          return true;
        }
        session.Touch();
        res.Header("Cache-Control", "no-store");
        res.Header("X-Content-Type-Options", "nosniff");
        res.Header("Referrer-Policy", "no-referrer");
        return false;
      });
      std::string index = web.index;
      for (std::size_t at; (at = index.find("__TOKEN__")) != std::string::npos;) index.replace(at, 9, token);
      svr.Get("/", [&](const http::Request&, http::Response& res) {
        res.Header("Content-Security-Policy",
                       "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; frame-ancestors 'none'");
        res.Content(index, "text/html; charset=utf-8");
      });
      svr.Get("/app.js", [&](const http::Request&, http::Response& res) {
        res.Content(web.script, "text/javascript; charset=utf-8");
      });
      svr.Get("/style.css", [&](const http::Request&, http::Response& res) {
        res.Content(web.style, "text/css; charset=utf-8");
      });
      svr.Get("/api/state", [&](const http::Request& req, http::Response& res) {
        std::uint64_t since = 0;
        try {
          if (req.HasParam("since")) since = std::stoull(req.Param("since"));
        } catch (const std::exception&) {
          return Json(res, 400, {{"error", "since は番号です"}});
        }
        // The page polls again at once, so it is heard from at least every half --gone-after.
        const auto wait = std::min<std::chrono::milliseconds>(std::chrono::seconds(10), std::chrono::seconds(*goneAfter) / 2);
        // Not compressed: the page is on this machine, and compressing the state costs more than sending it.
        res.Content(session.State(since, wait), "application/json; charset=utf-8");
        session.Touch();
      });
      // A layer's geometry by revision: a revision never changes its bytes, so the page may keep it.
      svr.Get("/api/layer", [&](const http::Request& req, http::Response& res) {
        std::uint64_t revision = 0;
        try {
          revision = std::stoull(req.Param("rev"));
        } catch (const std::exception&) {
          return Json(res, 400, {{"error", "rev は番号です"}});
        }
        auto bytes = session.Geometry(revision);
        if (!bytes) return Json(res, 404, {{"error", "その版はもうありません"}});
        res.Content(*bytes, "application/octet-stream");
      });
      // Every dialog template, for the page's layout check.
      svr.Get("/api/templates", [&](const http::Request&, http::Response& res) {
        Json(res, 200, serve::DescribeTemplates());
      });
      svr.Get("/api/where", [&](const http::Request& req, http::Response& res) {
        try {
          Json(res, 200, session.Where(std::stod(req.Param("x")), std::stod(req.Param("y"))));
        } catch (const std::exception&) {
          Json(res, 400, {{"error", "x と y は数です"}});
        }
      });
      svr.Get("/api/files", [&](const http::Request& req, http::Response& res) {
        const auto r = session.List(req.Param("folder"), req.Param("pattern"));
        Json(res, r.status, r.body);
      });
      auto post = [&](const char* path, auto handle) {
        svr.Post(path, [&, handle](const http::Request& req, http::Response& res) {
          // Copies and destructors of parsed JSON recurse: nesting is bounded before parsing.
          if (NestedDeeperThan(req.Body(), kMostJsonDepth)) return Json(res, 400, {{"error", "the body nests too deep"}});
          nlohmann::json body = nlohmann::json::parse(req.Body(), nullptr, false);
          if (body.is_discarded()) return Json(res, 400, {{"error", "本文が JSON ではありません"}});
          const serve::WebSession::Reply r = handle(body);
          Json(res, r.status, r.body);
        });
      };
      post("/api/act", [&](const nlohmann::json& b) { return session.Act(b); });
      post("/api/answer", [&](const nlohmann::json& b) { return session.Answer(b); });
      post("/api/cancel", [&](const nlohmann::json&) { return session.Cancel(); });

      // Only this machine can reach the page.
      const int bound = svr.Bind("127.0.0.1", *port);
      if (bound < 0) throw Failure("cannot listen on 127.0.0.1:" + std::to_string(*port));

      if (gWake[0] < 0 && pipe2(gWake, O_CLOEXEC) != 0) gWake[0] = gWake[1] = -1;
      std::signal(SIGINT, OnStopSignal);
      std::signal(SIGTERM, OnStopSignal);
      std::atomic<bool> serverDone{false};
      std::thread watcher([&] {
        // Waits without waking: an idle server uses no CPU.
        char c;
        while (!gStop && !serverDone) {
          if (gWake[0] < 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
          else if (read(gWake[0], &c, 1) < 0 && errno != EINTR) gWake[0] = -1;
        }
        session.BeginStop();  // wakes the page's waiting requests and cancels what is asked
        svr.Stop();
      });
      session.Start(
          [&]() -> std::string {
            try {
              StartPlugin(application, *pluginDir);
              return "";
            } catch (const Failure& f) {
              return f.what();
            }
          },
          nullptr);
      std::printf("vxshape: serving %s at http://127.0.0.1:%d/?token=%s\n", doc->c_str(), bound, token.c_str());
      std::printf("(Ctrl-C stops; the document is saved only by the page's Save)\n");
      std::fflush(stdout);
      svr.Listen();
      serverDone = true;
      Wake();
      watcher.join();
      const bool dirty = session.Dirty();
      session.Stop();
      std::fprintf(stderr, "vxshape: stopped%s\n",
                   dirty ? ("; the unsaved changes were not saved to " + *doc).c_str() : "");
      // The worker has ended and shut the plug-in down: what it left in the preferences is final.
      SavePreferences(host, "");
    });
  });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
#endif  // VX_SERVE
