// One read of a package file: its MD5 digest, and whether it holds the
// marker texts, so that an install reads each package file once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace copyloom {

struct SourceScan {
  // Opened and read to its end. A file that cannot be read has no digest
  // worth comparing.
  bool readable = false;
  int64_t size = -1;
  int64_t last_write = 0;
  // 32 lower-case hexadecimal digits; empty for a zero-length file, and
  // when the bytes are held instead.
  std::wstring digest;
  // The whole content, when the scan was asked to hold it: destinations are
  // then compared with it byte for byte, which gives the digest comparison's
  // answer without digesting them.
  std::shared_ptr<const std::string> bytes;
  // The byte texts searched for and, for each, whether the file holds it.
  std::vector<std::string> needles;
  std::vector<bool> found;

  // False for a needle that was not searched.
  bool Holds(const std::string& needle) const;
};

// Reads the file once. An empty needle is never found. A file of at most
// hold_up_to bytes is held in memory rather than digested.
SourceScan ScanSource(const std::wstring& path, const std::vector<std::string>& needles,
                      uint64_t hold_up_to = 0);

// The scan of bytes already read (a signed kit's, checked): held, and
// searched for the needles in memory.
SourceScan ScanBytes(std::shared_ptr<const std::string> bytes,
                     const std::vector<std::string>& needles);

// Size and last-write time of a file that can be opened for reading.
bool ProbeSource(const std::wstring& path, int64_t* size, int64_t* last_write);

// Whether the destination's digest (as CFileCtrl::GetFileDigest gives it)
// equals the readable source's. A destination whose size differs from a
// non-empty source is known to differ without being read; against held
// bytes, one that differs is read only up to the first difference.
bool SameContent(const std::wstring& destination, const SourceScan& source);

}  // namespace copyloom
