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
  std::vector<double> ours, md5sum, openssl;
  for (int i = 0; i < args.reps(); ++i) {
    double start = Now();
    digest = copyloom::CFileCtrl().GetFileDigest(wide);
    ours.push_back(Now() - start);
    const ChildRun a = RunChild({"md5sum", file}, out);
    Require(a.ok && FirstWordOf(out) == copyloom::platform::WideToUtf8(digest),
            "md5sum disagrees with the product's digest");
    md5sum.push_back(a.seconds);
    const ChildRun b = RunChild({"openssl", "md5", "-r", file}, out);
    Require(b.ok && FirstWordOf(out) == copyloom::platform::WideToUtf8(digest),
            "openssl md5 disagrees with the product's digest");
    openssl.push_back(b.seconds);
  }
  const double bytes = static_cast<double>(mib << 20);
  const std::string figure = "MD5 of a " + std::to_string(mib) + " MiB file";
  const double t = Median(ours);
  PrintRow(figure + " vs `md5sum`", FormatSeconds(t) + " (" + FormatRate(bytes, t) + ")",
           FormatSeconds(Median(md5sum)) + " (" + FormatRate(bytes, Median(md5sum)) + ")",
           FormatRatio(Median(md5sum) / t) + " throughput", ">= 1.0x throughput");
  PrintRow(figure + " vs `openssl md5`", FormatSeconds(t) + " (" + FormatRate(bytes, t) + ")",
           FormatSeconds(Median(openssl)) + " (" + FormatRate(bytes, Median(openssl)) + ")",
           FormatRatio(Median(openssl) / t) + " throughput", "");
  RemoveTree(file);
  return 0;
}
