// A durability model on the memory store, for power-cut tests (after
// LevelDB's fault-injecting Env and ALICE): per file the bytes as of its
// last sync, per folder its entries as of its last sync, and the name
// changes still pending. At every operation it takes the crash images a
// power cut could leave under three persistence models.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/memory_files.h"

namespace copyloom::test {

enum class Persistence {
  kDropUnsynced,    // only what was synced (LevelDB's model)
  kOrderedMetadata, // name changes reach the disk in order, data may lag (ext4 ordered)
  kReordered,       // name changes of unsynced folders in any order (POSIX's minimum)
};

// A disk as a cut left it: folded key -> entry.
struct CrashImage {
  struct Entry {
    std::wstring name;
    bool folder = false;
    std::string bytes;
  };
  std::map<std::wstring, Entry> entries;
};

class PowerCutFiles : public platform::MemoryFiles::Observer {
 public:
  // Watches the installed memory store; what it holds now counts as durable.
  explicit PowerCutFiles(platform::MemoryFiles* store);
  ~PowerCutFiles() override;

  // Distinct crash images seen so far under the model.
  const std::vector<CrashImage>& images() const { return images_; }
  // Stops watching.
  void Stop();

  // Replaces the installed store's content by the image (nothing watched).
  static void Restore(platform::MemoryFiles* store, const CrashImage& image);

  void Named(const std::wstring& key, const std::wstring& name, uint64_t id, bool folder) override;
  void Unnamed(const std::wstring& key) override;
  void Wrote(uint64_t id, const std::string& bytes) override;
  void Renamed(const std::wstring& from, const std::wstring& to, const std::wstring& name,
               uint64_t id) override;
  void SyncedFile(uint64_t id, const std::string& bytes) override;
  void SyncedFolder(const std::wstring& key) override;
  void SyncedAll(const std::map<uint64_t, std::string>& files) override;

  Persistence model = Persistence::kDropUnsynced;

 private:
  struct Name {
    std::wstring name;
    uint64_t id = 0;
    bool folder = false;
  };
  using Names = std::map<std::wstring, Name>;
  struct Op {
    enum Kind { kNamed, kUnnamed, kRenamed } kind = kNamed;
    std::wstring from, to;  // kNamed and kUnnamed use to
    Name entry;
  };
  static void Apply(const Op& op, Names& names);
  static bool Touches(const Op& op, const std::wstring& folder);
  void Cut();
  void Take(const Names& names, bool current_data);

  platform::MemoryFiles* store_;
  Names durable_names_;
  std::vector<Op> pending_;
  std::map<uint64_t, std::string> durable_data_, current_data_;
  std::vector<CrashImage> images_;
  std::map<std::string, bool> seen_;
};

}  // namespace copyloom::test
