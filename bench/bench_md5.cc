// MD5 of a large file: the product's digest against md5sum and openssl md5.
#include <fstream>

#include "bench/bench_common.h"
#include "foundation/file_ctrl.h"
#include "platform/platform.h"

using namespace copyloom::bench;

namespace {

std::string FirstWordOf(const std::string& path) {
  std::ifstream in(path);
  std::string word;
  in >> word;
  return word;
}

}  // namespace

int main(int argc, char** argv) {
  const Args args(argc, argv);
  const int64_t mib = args.Number("mib", 1024);
  const std::string file = args.data() + "/md5.bin";
  WriteDataFile(file, mib << 20, 7);
  WarmUp(file);

  const std::wstring wide = copyloom::platform::Utf8ToWide(file);
  const std::string out = args.data() + "/md5.out";
  std::wstring digest;
  Series ours, md5sum, openssl;
  for (int i = 0; i < args.reps(); ++i) {
    TimeInProcess(&ours, [&] { digest = copyloom::CFileCtrl().GetFileDigest(wide); });
    const std::string expected = copyloom::platform::WideToUtf8(digest);
    const ChildRun a = RunChild({"md5sum", file}, out);
    Require(a.ok && FirstWordOf(out) == expected, "md5sum disagrees with the product's digest");
    md5sum.Add(a.seconds, a.cpu);
    const ChildRun b = RunChild({"openssl", "md5", "-r", file}, out);
    Require(b.ok && FirstWordOf(out) == expected,
            "openssl md5 disagrees with the product's digest");
    openssl.Add(b.seconds, b.cpu);
  }
  const double bytes = static_cast<double>(mib << 20);
  const std::string figure = "MD5 of a " + std::to_string(mib) + " MiB file";
  auto timed = [&](const Series& s) {
    return FormatSeconds(s.Wall()) + " (" + FormatRate(bytes, s.Wall()) + ")";
  };
  // Throughput ratios: above 1.0x is faster than the tool.
  PrintRow(figure + " vs `md5sum` (throughput)", timed(ours), timed(md5sum),
           FormatRatio(md5sum.Wall() / ours.Wall()), FormatRatio(md5sum.Cpu() / ours.Cpu()),
           ">= 1.0x");
  PrintRow(figure + " vs `openssl md5` (throughput)", timed(ours), timed(openssl),
           FormatRatio(openssl.Wall() / ours.Wall()), FormatRatio(openssl.Cpu() / ours.Cpu()), "");
  RemoveTree(file);
  return 0;
}
