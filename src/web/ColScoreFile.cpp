#include "web/ColScoreFile.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "store/Archive.h"

namespace tx {
namespace {

bool IsOddPrime(uint32_t n) {
  if (n < 3 || n % 2 == 0) return false;
  for (uint32_t d = 3; uint64_t(d) * d <= n; d += 2)
    if (n % d == 0) return false;
  return true;
}

// Fewest bytes a stored record can take (8-bit empty texts, times without marker), so a damaged
// count cannot make us reserve more records than the file could hold.
constexpr uint64_t MinStoredRecordBytes = 59;

}  // namespace

CColScoreFile::CColScoreFile() : buckets_(InitialBucketCount, None) {}
CColScoreFile::~CColScoreFile() = default;

uint32_t CColScoreFile::BucketCountFor(size_t n) {
  uint64_t want = (uint64_t(n) + n / 4) | 1;
  if (want > 0xFFFFFFFFu) want = 0xFFFFFFFFu;
  uint32_t p = uint32_t(want);
  while (!IsOddPrime(p)) p += 2;
  return std::max(p, InitialBucketCount);
}

void CColScoreFile::CheckPosition(size_t position) const {
  if (position >= Records.size()) throw CInvalidArgException();
}

const CScoreFile& CColScoreFile::GetAt(size_t position) const {
  CheckPosition(position);
  return Records[position];
}

CScoreFile& CColScoreFile::GetAt(size_t position) {
  CheckPosition(position);
  return Records[position];
}

// ---- index

CColScoreFile::Node* CColScoreFile::IndexFind(const CHash256& key) {
  uint32_t hv = key.HashValue();
  for (int32_t i = buckets_[hv % buckets_.size()]; i != None; i = nodes_[i].next) {
    Node& node = nodes_[i];
    if (node.hashValue == hv && node.key == key) return &node;
  }
  return nullptr;
}

void CColScoreFile::IndexSet(const CHash256& key, uint32_t position) {
  if (Node* node = IndexFind(key)) {
    node->position = position;
    return;
  }
  uint32_t hv = key.HashValue();
  int32_t& head = buckets_[hv % buckets_.size()];
  int32_t i;
  if (freeNodes_ != None) {
    i = freeNodes_;
    freeNodes_ = nodes_[i].next;
    nodes_[i] = Node{key, hv, position, head};
  } else {
    i = int32_t(nodes_.size());
    nodes_.push_back(Node{key, hv, position, head});
  }
  head = i;
}

void CColScoreFile::IndexRemove(const CHash256& key) {
  uint32_t hv = key.HashValue();
  for (int32_t* link = &buckets_[hv % buckets_.size()]; *link != None; link = &nodes_[*link].next) {
    Node& node = nodes_[*link];
    if (node.hashValue == hv && node.key == key) {
      int32_t i = *link;
      *link = node.next;
      node.next = freeNodes_;
      freeNodes_ = i;
      return;
    }
  }
}

void CColScoreFile::IndexClear() {
  std::fill(buckets_.begin(), buckets_.end(), None);
  nodes_.clear();
  freeNodes_ = None;
}

void CColScoreFile::RebuildIfNeeded() {
  size_t n = Records.size();
  if ((indexFlags_ & IndexValid) && buckets_.size() >= n + n / 16) return;
  nodes_.clear();
  nodes_.reserve(n);
  freeNodes_ = None;
  buckets_.assign(BucketCountFor(n), None);
  for (size_t i = 0; i < n; ++i) IndexSet(Records[i].Hash, uint32_t(i));
  indexFlags_ |= IndexValid;
}

// ---- records

void CColScoreFile::AppendCopy(const CScoreFile& record) {
  bool inside = !Records.empty() && &record >= Records.data() && &record < Records.data() + Records.size();
  if (inside && Records.size() == Records.capacity()) {
    CScoreFile copy(record);  // growing would move the record away under us
    Records.push_back(std::move(copy));
  } else {
    Records.emplace_back().CopyFrom(record);
  }
}

size_t CColScoreFile::Add(const CScoreFile& record) {
  AppendCopy(record);
  size_t position = Records.size() - 1;
  if (indexFlags_ & IndexValid) IndexSet(Records.back().Hash, uint32_t(position));
  return position;
}

CScoreFile* CColScoreFile::Lookup(const CScoreFile& record) {
  RebuildIfNeeded();
  Node* node = IndexFind(record.Hash);
  return node ? &Records[node->position] : nullptr;
}

int CColScoreFile::AddOrReplace(const CScoreFile& record) {
  // Copies first: record may be a reference into Records.
  const std::string page = record.WebPageName;
  const uint32_t insert = record.InsertNumber;
  for (size_t i = 0; i < Records.size(); ++i) {
    CScoreFile& old = Records[i];
    if (old.InsertNumber != insert || !EqualNoCase(old.WebPageName, page)) continue;
    if (&old == &record) return 1;
    CHash256 oldHash = old.Hash;
    const Node* entry = IndexFind(oldHash);
    bool entryWasThis = entry && entry->position == i;
    old.CopyFrom(record);
    if (entryWasThis && oldHash != old.Hash) {
      // Another record may hold the old content too; it keeps its place in the index.
      IndexRemove(oldHash);
      for (size_t k = Records.size(); k-- > 0;) {
        if (k != i && Records[k].Hash == oldHash) {
          IndexSet(oldHash, uint32_t(k));
          break;
        }
      }
    }
    IndexSet(old.Hash, uint32_t(i));
    return 1;
  }
  AppendCopy(record);
  IndexSet(Records.back().Hash, uint32_t(Records.size() - 1));
  return 1;
}

void CColScoreFile::Remove(const CScoreFile& historyRecord) {
  if (Records.empty() || &historyRecord < Records.data() || &historyRecord >= Records.data() + Records.size())
    throw CInvalidArgException();
  RemoveAt(size_t(&historyRecord - Records.data()));
}

void CColScoreFile::RemoveAt(size_t position) {
  CheckPosition(position);
  Records.erase(Records.begin() + std::ptrdiff_t(position));
  indexFlags_ &= ~IndexValid;
}

void CColScoreFile::RemoveAll() {
  Records.clear();
  IndexClear();
}

void CColScoreFile::CopyFrom(const CColScoreFile& other) {
  if (this != &other) {
    Records.clear();
    Records.reserve(other.Records.size());
    for (const CScoreFile& r : other.Records) Records.emplace_back().CopyFrom(r);
    if (buckets_.empty()) buckets_.assign(InitialBucketCount, None);
  }
  indexFlags_ &= ~IndexValid;
}

void CColScoreFile::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(Records.size());
    for (CScoreFile& r : Records) r.Serialize(ar);
    return;
  }
  indexFlags_ &= ~IndexValid;
  Records.clear();
  uint32_t count = ar.ReadCount();
  uint64_t left = ar.BytesLeft();
  uint64_t fits = left == CArchive::UnknownSize ? count : left / MinStoredRecordBytes;
  Records.reserve(size_t(std::min<uint64_t>(count, fits)));
  for (uint32_t i = 0; i < count; ++i) {
    try {
      Records.emplace_back().Serialize(ar);
    } catch (...) {
      Records.pop_back();  // a partly read record is never taken for a real one
      throw;
    }
  }
}

// ---- query

PostedState IsPosted(const CScoreFile& record, const CScoreFile** previous,
                     const std::vector<CScoreFile*>* currentPosting, CColScoreFile& history) {
  if (previous) *previous = nullptr;
  if (currentPosting) {
    for (const CScoreFile* posted : *currentPosting) {
      if (posted && posted->Hash == record.Hash) {
        if (previous) *previous = posted;
        return PostedState::InCurrentPosting;
      }
    }
  }
  const CScoreFile* found = history.Lookup(record);
  if (!found) return PostedState::NotPosted;
  if (previous) *previous = found;
  return found->IsAddedByHand() ? PostedState::AddedByHand : PostedState::PostedBefore;
}

}  // namespace tx
