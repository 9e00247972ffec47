// qelDemo: the globe manipulator in a window.
//
//   qelDemo                                  interactive window, starting at the home view
//   qelDemo --at 7.5,46.2,4000,90,-20        start at a longitude, latitude, height,
//                                            heading and pitch (degrees, metres)
//   qelDemo --script tour.json --out shots   play an input script headlessly (manual
//                                            clock), write screenshots at its marks, a
//                                            pose per frame and the frame-time split
//   qelDemo --record session.json            record the live session as an input script
//                                            that --script plays back to the same poses
//
// Exit status: 0 done, 1 no window or the window closed during a tour, 2 bad arguments,
// script or output folder.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Common/ConsoleLogSink.h"
#include "Common/Log.h"
#include "DemoHost.h"
#include "DemoWindow.h"
#include "FrameMeter.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "SessionRecorder.h"
#include "TourRunner.h"
#include "Viewer/InputScript.h"
#include "Viewer/InputScriptError.h"
#include "Viewer/ViewerImpl.h"

namespace {

using namespace qel;
using namespace qel::demo;

constexpr int kExitOk = 0;
constexpr int kExitWindow = 1;
constexpr int kExitBadInput = 2;

// The tour's window when none is asked for: large enough for readable screenshots.
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 800;
constexpr std::size_t kDefaultMaxTiles = 320;

struct Options {
  std::optional<std::string> at;
  std::optional<std::filesystem::path> script;
  std::optional<std::filesystem::path> out;
  std::optional<std::filesystem::path> record;
  int width = kDefaultWidth;
  int height = kDefaultHeight;
  bool sizeGiven = false;
  std::size_t maxTiles = kDefaultMaxTiles;
  bool quiet = false;
};

// The closing view as a start option, so that the next run can begin where this one ended.
void printLastView(const DemoHost& host) {
  const Camera& camera = host.viewer->getScene().getCamera();
  const auto c = Ellipsoid::WGS84.cartesianToCartographic(camera.getPosition());
  if (!c) return;
  const HeadingPitchRoll hpr =
      Transforms::viewQuaternionToViewHeadingPitchRoll(camera.getPosition(), camera.getOrientation());
  char text[160];
  std::snprintf(text, sizeof text, "Last view: --at %.6f,%.6f,%.1f,%.2f,%.2f", Math::toDegrees(c->longitude),
                Math::toDegrees(c->latitude), c->height, Math::toDegrees(hpr.heading), Math::toDegrees(hpr.pitch));
  std::cout << text << '\n';
}

int runTour(DemoHost& host, DemoWindow& window, FrameMeter& meter, const InputScript& script,
            const std::filesystem::path& out, bool quiet) {
  TourRunner runner(host, meter, out);
  const std::uint64_t total = script.frameCount();
  std::uint64_t frame = 0;
  TourRunner::Hooks hooks;
  hooks.beforeFrame = [&] {
    window.pumpEvents();
    window.setStatus("tour frame " + std::to_string(++frame) + "/" + std::to_string(total));
    return window.isOpen();
  };
  hooks.capture = [&](const std::string& name, const std::filesystem::path& file) {
    window.capture(file);
    if (!quiet) std::cout << "  mark " << name << " -> " << file.string() << '\n';
  };
  const TourRunner::Result result = runner.run(script, hooks);
  if (result.interrupted) {
    std::cerr << "qelDemo: the window was closed after " << result.frames << " of " << total
              << " frames; the tour stopped there\n";
    return kExitWindow;
  }
  std::cout << "Tour finished: " << result.frames << " frames, " << result.marks.size() << " screenshots in "
            << std::filesystem::absolute(out).string() << '\n';
  std::cout << "Camera pose per frame: " << (out / "poses.csv").string() << '\n';
  meter.times().print(std::cout);
  return kExitOk;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int run(Options options) {
  std::optional<InputScript> script;
  std::optional<EyePose> recordedStart;
  if (options.script) {
    try {
      script = InputScript::load(*options.script);
    } catch (const InputScriptError& e) {
      std::cerr << "qelDemo: bad script: " << e.what() << '\n';
      return kExitBadInput;
    }
    try {
      prepareOutputFolder(*options.out);
    } catch (const std::exception& e) {
      std::cerr << "qelDemo: " << e.what() << '\n';
      return kExitBadInput;
    }
    // A recorded session replays in the window size and from the pose it was recorded in.
    const SessionHeader header = readSessionHeader(*options.script);
    if (header.window && !options.sizeGiven) {
      options.width = header.window->first;
      options.height = header.window->second;
    }
    recordedStart = header.start;
    // Before anything reads the time: a scripted session runs on script time only.
    Clock::useManualTime();
  }

  DemoHostOptions hostOptions;
  hostOptions.windowWidth = options.width;
  hostOptions.windowHeight = options.height;
  hostOptions.measureLibrary = true;
  if (options.at) {
    try {
      hostOptions.start = parseStartPose(*options.at);
    } catch (const std::exception& e) {
      std::cerr << "qelDemo: --at: " << e.what() << '\n';
      return kExitBadInput;
    }
  }
  if (recordedStart) hostOptions.startEye = std::make_pair(recordedStart->position, recordedStart->orientation);
  const auto hostStart = std::chrono::steady_clock::now();
  DemoHost host = DemoHost::create(hostOptions);
  const double hostMs = millisecondsSince(hostStart);
  host.viewer->registerMainThread();

  WindowOptions windowOptions;
  windowOptions.width = options.width;
  windowOptions.height = options.height;
  windowOptions.maxTiles = options.maxTiles;
  windowOptions.forwardInput = !script;
  windowOptions.showHelp = !script;
  std::unique_ptr<DemoWindow> window;
  const auto windowStart = std::chrono::steady_clock::now();
  try {
    window = std::make_unique<DemoWindow>(host, windowOptions);
  } catch (const std::exception& e) {
    std::cerr << "qelDemo: " << e.what() << '\n';
    host.viewer->stop();
    return kExitWindow;
  }
  host.commands->setHelpToggle([&window] { window->toggleHelp(); });
  if (!options.quiet) {
    std::printf(
        "Start-up: host with terrain, land mask and named places %.0f ms; window with the Earth image %.0f ms "
        "(image %.1f MB in memory)\n",
        hostMs, millisecondsSince(windowStart), window->getMesh().getImageryBytes() / 1.0e6);
  }

  int status = kExitOk;
  {
    FrameMeter meter(host);
    meter.setRenderer([&window] { window->render(); });
    if (script) {
      try {
        status = runTour(host, *window, meter, *script, *options.out, options.quiet);
      } catch (const std::exception& e) {
        std::cerr << "qelDemo: " << e.what() << '\n';
        status = kExitBadInput;
      }
    } else {
      // A recording starts from the pose of the first frame drawn, before any input.
      std::optional<SessionRecorder> recorder;
      if (options.record) {
        meter.measure([&host] {
          host.viewer->frame();
          return true;
        });
        recorder.emplace(*host.viewer, options.width, options.height);
        window->setRecorder(&*recorder);
      }
      while (window->isOpen()) {
        window->pumpEvents();
        if (!window->isOpen()) break;
        meter.measure([&host] {
          host.viewer->frame();
          return true;
        });
        if (recorder) recorder->frameDone();
      }
      window->setRecorder(nullptr);
      if (recorder) {
        try {
          recorder->save(*options.record);
          std::cout << "Session recorded: " << options.record->string() << " (play it with --script "
                    << options.record->string() << " --out DIR)\n";
        } catch (const std::exception& e) {
          std::cerr << "qelDemo: " << e.what() << '\n';
          status = kExitBadInput;
        }
      }
      printLastView(host);
      if (!options.quiet) meter.times().print(std::cout);
    }
  }
  // Nothing may call back into the window or the commands' toggle once they are gone.
  host.commands->setHelpToggle(nullptr);
  window.reset();
  host.viewer->stop();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"qelDemo: fly around the Earth with the globe manipulator"};
  Options options;
  std::string at;
  std::string script;
  std::string out;
  std::string size;
  app.add_option("--at", at, "start pose LON,LAT,HEIGHT[,HEADING,PITCH] (degrees, metres)");
  auto* scriptOption = app.add_option("--script", script, "play this input script (JSON) headlessly");
  auto* outOption = app.add_option("--out", out, "folder for the tour's screenshots and pose file");
  scriptOption->needs(outOption);
  outOption->needs(scriptOption);
  std::string record;
  auto* recordOption = app.add_option("--record", record, "record the live session into this input script (JSON)");
  recordOption->excludes(scriptOption);
  app.add_option("--size", size, "window size WIDTHxHEIGHT (pixels)");
  app.add_option("--max-tiles", options.maxTiles, "most globe tiles drawn at once")->check(CLI::Range(8, 100000));
  app.add_flag("--quiet", options.quiet, "print only the summary");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitBadInput;
  }
  if (!at.empty()) options.at = at;
  if (!script.empty()) options.script = script;
  if (!out.empty()) options.out = out;
  if (!record.empty()) options.record = record;
  if (!size.empty()) {
    int w = 0, h = 0;
    char x = 0, extra = 0;
    if (std::sscanf(size.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X') || w < 64 || h < 64 ||
        w > 16384 || h > 16384) {
      std::cerr << "qelDemo: --size: expected WIDTHxHEIGHT with each 64..16384, got \"" << size << "\"\n";
      return kExitBadInput;
    }
    options.width = w;
    options.height = h;
    options.sizeGiven = true;
  }
  // The library and the host report refused calls through the log: show them.
  Log::getInstance().addSink(std::make_shared<ConsoleLogSink>());
  return run(options);
}
