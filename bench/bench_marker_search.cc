// The marker search of the engine (FindTextInFile) against grep -c -F, the
// marker near the end of a large file so that both read all of it; once in
// binary bytes, once in text.
#include "bench/bench_common.h"
#include "foundation/file_ctrl.h"
#include "platform/platform.h"

using namespace copyloom::bench;

int main(int argc, char** argv) {
  const Args args(argc, argv);
  const int64_t mib = args.Number("mib", 512);
  const std::string marker = "CopyloomSignedEA";
  const int64_t at = (mib << 20) - 1000;
  const std::string file = args.data() + "/marker.bin";
  const std::wstring wide = copyloom::platform::Utf8ToWide(file);
  const std::wstring wide_marker = copyloom::platform::Utf8ToWide(marker);
  for (const Content content : {Content::kBinary, Content::kText}) {
    WriteDataFile(file, mib << 20, 11, "\n" + marker + "\n", at - 1, content);
    WarmUp(file);
    Series ours, grep;
    for (int i = 0; i < args.reps(); ++i) {
      int64_t found = -1;
      TimeInProcess(&ours,
                    [&] { found = copyloom::CFileCtrl().FindTextInFile(wide, wide_marker); });
      Require(found == at, "the marker was not found where it is");
      // The C locale: grep at its fastest, no multibyte checks.
      const ChildRun run = RunChild({"grep", "-c", "-F", marker, file}, "/dev/null", {"LC_ALL=C"});
      Require(run.ok, "grep did not find the marker");
      grep.Add(run.seconds, run.cpu);
    }
    const double bytes = static_cast<double>(mib << 20);
    auto timed = [&](const Series& s) {
      return FormatSeconds(s.Wall()) + " (" + FormatRate(bytes, s.Wall()) + ")";
    };
    PrintRow("Marker search in a " + std::to_string(mib) +
                 (content == Content::kText ? " MiB text" : " MiB binary") +
                 " file vs `grep -c -F` (time)",
             timed(ours), timed(grep), FormatRatio(ours.Wall() / grep.Wall()),
             FormatRatio(ours.Cpu() / grep.Cpu()), "<= 1.5x");
  }
  RemoveTree(file);
  return 0;
}
