#include "support/power_cut_files.h"

#include "platform/platform.h"

namespace copyloom::test {

namespace pf = platform;

namespace {

std::wstring ParentOf(const std::wstring& key) {
  const size_t slash = key.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

}  // namespace

PowerCutFiles::PowerCutFiles(pf::MemoryFiles* store) : store_(store) {
  for (const auto& record : store->Records()) {
    if (record.key.size() <= 2) continue;  // a drive's root
    durable_names_[record.key] = {record.name, record.id, record.folder};
    durable_data_[record.id] = current_data_[record.id] = record.bytes;
  }
  store->SetObserver(this);
}

PowerCutFiles::~PowerCutFiles() { Stop(); }

void PowerCutFiles::Stop() {
  if (store_) store_->SetObserver(nullptr);
  store_ = nullptr;
}

void PowerCutFiles::Apply(const Op& op, Names& names) {
  switch (op.kind) {
    case Op::kNamed:
      names[op.to] = op.entry;
      break;
    case Op::kUnnamed:
      names.erase(op.to);
      break;
    case Op::kRenamed: {
      auto it = names.find(op.from);
      if (it != names.end() && it->second.id == op.entry.id) names.erase(it);
      names[op.to] = op.entry;
      break;
    }
  }
}

bool PowerCutFiles::Touches(const Op& op, const std::wstring& folder) {
  return ParentOf(op.to) == folder || (op.kind == Op::kRenamed && ParentOf(op.from) == folder);
}

// Names keep their original case in images, for the listings of recovery.
void PowerCutFiles::Named(const std::wstring& key, const std::wstring& name, uint64_t id,
                          bool folder) {
  pending_.push_back({Op::kNamed, L"", key, {name, id, folder}});
  current_data_[id];
  Cut();
}

void PowerCutFiles::Unnamed(const std::wstring& key) {
  pending_.push_back({Op::kUnnamed, L"", key, {}});
  Cut();
}

void PowerCutFiles::Wrote(uint64_t id, const std::string& bytes) {
  current_data_[id] = bytes;
  Cut();
}

void PowerCutFiles::Renamed(const std::wstring& from, const std::wstring& to,
                            const std::wstring& name, uint64_t id) {
  pending_.push_back({Op::kRenamed, from, to, {name, id, false}});
  Cut();
}

void PowerCutFiles::SyncedFile(uint64_t id, const std::string& bytes) {
  durable_data_[id] = bytes;
}

void PowerCutFiles::SyncedFolder(const std::wstring& key) {
  std::vector<Op> left;
  for (const Op& op : pending_) {
    if (Touches(op, key)) {
      Apply(op, durable_names_);
    } else {
      left.push_back(op);
    }
  }
  pending_.swap(left);
}

void PowerCutFiles::SyncedAll(const std::map<uint64_t, std::string>& files) {
  for (const Op& op : pending_) Apply(op, durable_names_);
  pending_.clear();
  for (const auto& [id, bytes] : files) durable_data_[id] = bytes;
}

// The images a cut right now could leave.
void PowerCutFiles::Cut() {
  switch (model) {
    case Persistence::kDropUnsynced:
      Take(durable_names_, false);
      break;
    case Persistence::kOrderedMetadata: {
      Names names = durable_names_;
      for (size_t k = 0;; ++k) {
        Take(names, false);
        Take(names, true);
        if (k == pending_.size()) break;
        Apply(pending_[k], names);
      }
      break;
    }
    case Persistence::kReordered:
      for (size_t skip = 0; skip < pending_.size(); ++skip) {
        Names all_but = durable_names_, only = durable_names_;
        for (size_t k = 0; k < pending_.size(); ++k) {
          if (k != skip) Apply(pending_[k], all_but);
        }
        Apply(pending_[skip], only);
        Take(all_but, false);
        Take(all_but, true);
        Take(only, false);
        Take(only, true);
      }
      Take(durable_names_, false);
      break;
  }
}

void PowerCutFiles::Take(const Names& names, bool current_data) {
  CrashImage image;
  std::string signature;
  for (const auto& [key, name] : names) {
    // An entry whose folder is not on the disk is lost with it.
    const std::wstring parent = ParentOf(key);
    if (parent.size() > 2 && !image.entries.count(parent)) continue;
    CrashImage::Entry entry{name.name, name.folder, {}};
    if (!name.folder) {
      const auto& data = current_data ? current_data_ : durable_data_;
      auto it = data.find(name.id);
      if (it != data.end()) entry.bytes = it->second;
    }
    signature += pf::WideToUtf8(key) + '\0' + (name.folder ? "d" : "f") + entry.bytes + '\1';
    image.entries.emplace(key, std::move(entry));
  }
  if (seen_.emplace(std::move(signature), true).second) images_.push_back(std::move(image));
}

void PowerCutFiles::Restore(pf::MemoryFiles* store, const CrashImage& image) {
  store->SetObserver(nullptr);
  for (const auto& record : store->Records()) {
    if (record.key.size() <= 2 || record.folder) continue;
    pf::SetReadOnly(record.key, false);
    pf::RemoveOneFile(record.key);
  }
  auto records = store->Records();
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    if (it->key.size() > 2) pf::RemoveEmptyFolder(it->key);
  }
  // Keys sort parents first; each gets its original name.
  std::map<std::wstring, std::wstring> paths;
  for (const auto& [key, entry] : image.entries) {
    const std::wstring parent = ParentOf(key);
    const std::wstring path = (parent.size() <= 2 ? parent : paths[parent]) + L"\\" + entry.name;
    paths[key] = path;
    if (entry.folder) {
      pf::CreateOneFolder(path);
    } else {
      pf::WriteWholeFile(path, entry.bytes);
    }
  }
}

}  // namespace copyloom::test
