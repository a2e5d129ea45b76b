#include "install/source_scan.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "foundation/byte_search.h"
#include "foundation/checksum.h"
#include "foundation/file_ctrl.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

namespace pf = platform;

constexpr size_t kChunk = 1 << 20;
// Small enough to stay in the processor's cache between read and compare.
constexpr size_t kCompareChunk = 128 << 10;

std::unique_ptr<pf::File> OpenPlainFile(const std::wstring& path) {
  const auto attributes = pf::QueryAttributes(path);
  if (!attributes.exists || attributes.is_folder) return nullptr;
  // The same sharing as the digest of the file operations: a file someone is
  // writing is not read.
  return pf::OpenFile(path, pf::OpenMode::kReadShareRead);
}

}  // namespace

bool SourceScan::Holds(const std::string& needle) const {
  for (size_t i = 0; i < needles.size(); ++i) {
    if (needles[i] == needle) return found[i];
  }
  return false;
}

SourceScan ScanSource(const std::wstring& path, const std::vector<std::string>& needles,
                      uint64_t hold_up_to) {
  SourceScan scan;
  scan.needles = needles;
  scan.found.assign(needles.size(), false);
  auto file = OpenPlainFile(path);
  if (!file) return scan;
  pf::FileTimes times;
  if (pf::GetFileTimes(path, &times)) scan.last_write = times.last_write;

  std::vector<std::unique_ptr<CByteSearch>> searchers(needles.size());
  size_t keep = 0;
  for (size_t i = 0; i < needles.size(); ++i) {
    if (needles[i].empty()) continue;
    searchers[i] = std::make_unique<CByteSearch>(needles[i]);
    keep = std::max(keep, needles[i].size() - 1);
  }
  const int64_t expected = file->Size();
  const bool hold = expected >= 0 && static_cast<uint64_t>(expected) <= hold_up_to;
  auto held = std::make_shared<std::string>();
  if (hold) held->reserve(static_cast<size_t>(expected));

  // The last keep bytes of a chunk stay in front of the next one, so that a
  // text across the edge is found; the digest sees every byte once.
  std::vector<char> window(keep + kChunk);
  size_t filled = 0;
  uint64_t total = 0;
  CChecksum md5;
  for (;;) {
    size_t got = 0;
    if (!file->Read(window.data() + filled, window.size() - filled, &got)) return scan;
    if (got == 0) break;
    if (hold) {
      held->append(window.data() + filled, got);
    } else {
      md5.Update(window.data() + filled, got);
    }
    total += got;
    filled += got;
    for (size_t i = 0; i < needles.size(); ++i) {
      if (searchers[i] && !scan.found[i] &&
          searchers[i]->Find(window.data(), filled) != CByteSearch::npos) {
        scan.found[i] = true;
      }
    }
    if (filled > keep) {
      std::copy(window.begin() + static_cast<std::ptrdiff_t>(filled - keep),
                window.begin() + static_cast<std::ptrdiff_t>(filled), window.begin());
      filled = keep;
    }
  }
  scan.readable = true;
  scan.size = static_cast<int64_t>(total);
  if (hold && total > 0) {
    scan.bytes = std::move(held);
  } else if (total > 0) {
    scan.digest = md5.FinalHex();
  }
  return scan;
}

SourceScan ScanBytes(std::shared_ptr<const std::string> bytes,
                     const std::vector<std::string>& needles) {
  SourceScan scan;
  scan.needles = needles;
  scan.found.assign(needles.size(), false);
  scan.readable = true;
  scan.size = static_cast<int64_t>(bytes->size());
  for (size_t i = 0; i < needles.size(); ++i) {
    scan.found[i] = !needles[i].empty() &&
                    CByteSearch(needles[i]).Find(bytes->data(), bytes->size()) != CByteSearch::npos;
  }
  if (!bytes->empty()) scan.bytes = std::move(bytes);
  return scan;
}

bool ProbeSource(const std::wstring& path, int64_t* size, int64_t* last_write) {
  auto file = OpenPlainFile(path);
  if (!file) return false;
  pf::FileTimes times;
  if (!pf::GetFileTimes(path, &times)) return false;
  *size = file->Size();
  *last_write = times.last_write;
  return *size >= 0;
}

bool SameContent(const std::wstring& destination, const SourceScan& source) {
  // An empty digest equals every other empty one: a missing, empty or
  // unreadable destination. Only a full read tells those apart.
  if (source.digest.empty() && !source.bytes) {
    return CFileCtrl().GetFileDigest(destination).empty();
  }

  auto file = OpenPlainFile(destination);
  if (!file) return false;
  const int64_t size = file->Size();
  if (size >= 0 && size != source.size) return false;
  if (source.bytes) {
    // Equal bytes are equal digests; the first difference settles it.
    const std::string& held = *source.bytes;
    static thread_local std::vector<char> buffer(kCompareChunk);
    size_t total = 0;
    for (;;) {
      size_t got = 0;
      if (!file->Read(buffer.data(), buffer.size(), &got)) return false;
      if (got == 0) break;
      if (got > held.size() - total || std::memcmp(buffer.data(), held.data() + total, got) != 0) {
        return false;
      }
      total += got;
    }
    return total == held.size();
  }
  CChecksum md5;
  std::vector<char> buffer(kChunk);
  uint64_t total = 0;
  for (;;) {
    size_t got = 0;
    if (!file->Read(buffer.data(), buffer.size(), &got)) return false;
    if (got == 0) break;
    md5.Update(buffer.data(), got);
    total += got;
  }
  return total > 0 && md5.FinalHex() == source.digest;
}

}  // namespace copyloom
