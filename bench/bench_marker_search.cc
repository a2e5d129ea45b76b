// The marker search of the engine (FindTextInFile) against grep -c -F, the
// marker near the end of a large binary file so that both read all of it.
#include "bench/bench_common.h"
#include "foundation/file_ctrl.h"
#include "platform/platform.h"

using namespace copyloom::bench;

int main(int argc, char** argv) {
  const Args args(argc, argv);
  const int64_t mib = args.Number("mib", 512);
  const std::string marker = "CopyloomSignedEA";
  const int64_t at = (mib << 20) - 1000;
  for (const Content content : {Content::kBinary, Content::kText}) {
    const bool text = content == Content::kText;
    const std::string file = args.data() + "/marker.bin";
    WriteDataFile(file, mib << 20, 11, "\n" + marker + "\n", at - 1, content);
    WarmUp(file);

    const std::wstring wide = copyloom::platform::Utf8ToWide(file);
    const std::wstring wide_marker = copyloom::platform::Utf8ToWide(marker);
    std::vector<double> ours, grep;
    for (int i = 0; i < args.reps(); ++i) {
      const double start = Now();
      const int64_t found = copyloom::CFileCtrl().FindTextInFile(wide, wide_marker);
      ours.push_back(Now() - start);
      Require(found == at, "the marker was not found where it is");
      // The C locale: grep at its fastest, no multibyte checks.
      const ChildRun run = RunChild({"grep", "-c", "-F", marker, file}, "/dev/null", {"LC_ALL=C"});
      Require(run.ok, "grep did not find the marker");
      grep.push_back(run.seconds);
    }
    const double bytes = static_cast<double>(mib << 20);
    const double t = Median(ours), g = Median(grep);
    PrintRow("Marker search in a " + std::to_string(mib) + (text ? " MiB text" : " MiB binary") +
                 " file vs `grep -c -F`",
             FormatSeconds(t) + " (" + FormatRate(bytes, t) + ")",
             FormatSeconds(g) + " (" + FormatRate(bytes, g) + ")", FormatRatio(t / g) + " time",
             "<= 1.5x time");
    RemoveTree(file);
  }
  return 0;
}
