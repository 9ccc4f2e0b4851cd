// One document served to a person at a web page. The plug-in runs on one worker thread, as in the
// command line; the page's requests arrive on the server's threads and meet the worker here. The
// host's user is the page: each dialog, alert or file choice blocks the worker until the page
// answers, or until the page has gone away or the server stops, which cancels what was asked.
#pragma once

#include "host/application.h"
#include "serve/map_aids.h"
#include "serve/rooted_folder.h"
#include "serve/sheet_geometry.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vx::serve {

class WebSession {
 public:
  struct Reply {
    int status = 200;  // HTTP status
    nlohmann::json body = nlohmann::json::object();
  };

  // `doc` is the open document's file (Save writes it); `root` the folder the page may browse.
  WebSession(host::StandInHost& host, host::Application& app, std::filesystem::path doc, const std::filesystem::path& root);
  ~WebSession();
  WebSession(const WebSession&) = delete;
  WebSession& operator=(const WebSession&) = delete;

  // Starts the worker, which first runs `startPlugin` (answering an empty text or why the plug-in
  // did not start). When the worker ends it shuts the plug-in down and runs `atEnd`.
  void Start(std::function<std::string()> startPlugin, std::function<void()> atEnd);
  // Ends what is asked as a cancel, lets the running command unwind, stops the worker. Nothing is
  // saved.
  void Stop();
  // Tells everyone waiting that the server stops, without waiting for the worker.
  void BeginStop();
  // The page was heard from (any request); a page silent for longer than `goneAfter` has gone.
  void Touch();
  void SetGoneAfter(std::chrono::milliseconds goneAfter) { goneAfter_ = goneAfter; }

  // The state as JSON text, once its version is past `since` or `wait` has passed.
  std::string State(std::uint64_t since, std::chrono::milliseconds wait);
  // A layer's geometry (serve/sheet_geometry.h) by the revision the state names, or nullptr when
  // that revision is no longer current.
  std::shared_ptr<const std::string> Geometry(std::uint64_t revision);
  // The map position of page point (x, y) (points right of and below the artboard's top-left
  // corner) in the sheet's own system.
  nlohmann::json Where(double x, double y);
  // An application step (menu, flyout, panel, selection, layers, save); refused while busy.
  Reply Act(const nlohmann::json& request);
  // An answer to what the page is asked now (a dialog's control, an alert, a file choice).
  Reply Answer(const nlohmann::json& request);
  // The progress box's cancel button.
  Reply Cancel();
  // A folder of the browsable tree, its files filtered by `pattern` ("*.shp;*.dbf", "" for all).
  Reply List(const std::string& folder, const std::string& pattern);

  bool Dirty();

 private:
  class PageUser;
  friend class PageUser;
  struct Job {
    std::function<std::string()> run;
    bool changes = true;  // false: the step only selects, the document's content stays
  };

  void Run(const std::function<std::string()>& startPlugin, const std::function<void()>& atEnd);
  // Worker only: describes the host into the state; `idle` also refreshes the menus, the flyout
  // menu, the selection and (after a step that may have changed the document) the sheet's
  // geometry, the map aids and the unsaved sign. It runs the plug-in's update callbacks.
  void Publish(bool idle, bool changed = false);
  // Worker only: what is asked. Each ask has a number; answers name it, so a late answer to an
  // ask that has ended is refused.
  std::uint64_t PushAsk(nlohmann::json ask);
  void PopAsk();
  // Worker only: the next answer to the current ask, or nothing when the page has gone or the
  // server stops.
  std::optional<nlohmann::json> WaitAnswer();
  bool GoneLocked() const;
  // Worker only: selects every art the person can select (Ctrl+A).
  std::string SelectAll();
  void Notice(const std::string& text);

  host::StandInHost& host_;
  host::Application& app_;
  const std::filesystem::path doc_;
  const RootedFolder root_;
  std::shared_ptr<PageUser> user_;
  std::thread worker_;

  std::mutex mu_;
  std::condition_variable cv_;
  bool stopping_ = false;
  bool busy_ = true;  // until the plug-in has started
  std::optional<Job> job_;
  std::atomic<bool> cancel_{false};
  std::vector<nlohmann::json> answers_;
  std::vector<std::pair<std::uint64_t, nlohmann::json>> asks_;  // innermost last
  std::uint64_t askCounter_ = 0;
  nlohmann::json snapshot_ = nlohmann::json::object();
  nlohmann::json progress_;
  std::string notice_;
  std::uint64_t version_ = 1;
  SheetGeometry geometry_;  // written by the worker under mu_
  std::shared_ptr<const MapAids> aids_;
  std::chrono::steady_clock::time_point lastSeen_ = std::chrono::steady_clock::now();
  std::chrono::milliseconds goneAfter_{30000};
  bool dirty_ = false;

  // Worker only.
  nlohmann::json menu_ = nlohmann::json::array(), flyout_ = nlohmann::json::array();
  int lastPermille_ = -1;
  std::string lastProgressText_;
};

// The controls of a dialog or panel window as the page draws them: kinds, places, states, and
// the cell and text colours the window's handler gives.
nlohmann::json DescribeWindow(host::ControlWindow& w, double width, double height);

}  // namespace vx::serve
