#include "TourRunner.h"

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "Common/Clock.h"
#include "DemoHost.h"
#include "FrameMeter.h"
#include "PoseCsvWriter.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Viewer/ScriptPlayer.h"
#include "Viewer/ViewerImpl.h"

namespace qel::demo {

namespace {
constexpr const char* kProbeName = ".qelDemo-write-probe";

// One row of picks.csv: the objects separated by ';', with any comma or ';' of an id
// made a space so that the row keeps its four fields.
void writePickRow(std::ostream& out, std::uint64_t frame, const PickerKeys::Pick& pick) {
  out << frame << ',' << (pick.rectangle ? "rectangle" : "click") << ',' << pick.objects.size() << ',';
  for (std::size_t i = 0; i < pick.objects.size(); ++i) {
    std::string object = pick.objects[i];
    for (char& c : object) {
      if (c == ',' || c == ';') c = ' ';
    }
    out << (i == 0 ? "" : ";") << object;
  }
  out << '\n';
}
}  // namespace

void prepareOutputFolder(const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw std::runtime_error("cannot create output folder " + dir.string() + ": " + ec.message());
  if (!std::filesystem::is_directory(dir)) throw std::runtime_error("output path " + dir.string() + " is not a folder");
  const auto probe = dir / kProbeName;
  {
    std::ofstream out(probe);
    out << "probe\n";
    out.flush();
    if (!out) throw std::runtime_error("cannot write into output folder " + dir.string());
  }
  std::filesystem::remove(probe, ec);
}

std::string markFileName(const std::string& mark) {
  std::string name;
  for (const char c : mark) {
    const bool keep =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    name += keep ? c : '_';
  }
  if (name.empty()) name = "mark";
  return name + ".png";
}

TourRunner::TourRunner(DemoHost& host, FrameMeter& meter, std::filesystem::path outputFolder)
    : host_(host), meter_(meter), out_(std::move(outputFolder)) {}

TourRunner::Result TourRunner::run(const InputScript& script, const Hooks& hooks) {
  if (!Clock::isManual()) Clock::useManualTime();
  Result result;
  PoseCsvWriter poses(out_ / "poses.csv");
  std::ofstream marks(out_ / "marks.csv");
  if (!marks) throw std::runtime_error("cannot write " + (out_ / "marks.csv").string());
  marks << "mark,frame,file\n";
  std::ofstream picks(out_ / "picks.csv");
  if (!picks) throw std::runtime_error("cannot write " + (out_ / "picks.csv").string());
  picks << "frame,mode,count,objects\n";
  std::size_t picksWritten = 0;

  ViewerImpl& viewer = *host_.viewer;
  ScriptPlayer player(viewer, script);
  const auto start = Clock::now();
  player.onFrame([&](std::uint64_t frame) {
    meter_.exclude([&] {
      const Camera& camera = viewer.getScene().getCamera();
      const double seconds = std::chrono::duration<double>(viewer.getFrameStamp() - start).count();
      poses.write(frame, seconds, camera.getPosition(), camera.getOrientation());
      if (host_.picking) {
        const auto& made = host_.picking->picks();
        for (; picksWritten < made.size(); ++picksWritten) writePickRow(picks, frame, made[picksWritten]);
      }
    });
    result.frames = frame;
  });
  player.onMark([&](const std::string& name, std::uint64_t frame) {
    meter_.exclude([&] {
      const auto file = out_ / markFileName(name);
      if (hooks.capture) hooks.capture(name, file);
      marks << name << ',' << frame << ',' << file.filename().string() << '\n';
      result.marks.push_back({name, frame, file});
    });
  });

  while (true) {
    if (hooks.beforeFrame && !hooks.beforeFrame()) {
      result.interrupted = true;
      break;
    }
    if (!meter_.measure([&] { return player.step(); })) break;
  }
  poses.flush();
  marks.flush();
  picks.flush();
  if (!picks) throw std::runtime_error("cannot write " + (out_ / "picks.csv").string());
  if (!marks) throw std::runtime_error("cannot write " + (out_ / "marks.csv").string());
  return result;
}

}  // namespace qel::demo
