#pragma once
// The upload history: every score file posted (or declared posted by hand), found by the
// digest of its content through a hash index that is rebuilt in one pass when it is stale.
#include <cstdint>
#include <vector>

#include "scorefile/ScoreFile.h"
#include "store/Hash256.h"

namespace tx {

class CArchive;

class CColScoreFile {
 public:
  static constexpr uint32_t InitialBucketCount = 17;

  CColScoreFile();
  virtual ~CColScoreFile();
  CColScoreFile(const CColScoreFile& other) { CopyFrom(other); }
  CColScoreFile& operator=(const CColScoreFile& other) {
    CopyFrom(other);
    return *this;
  }

  size_t GetCount() const { return Records.size(); }
  // Raises CInvalidArgException for a position outside 0..count-1.
  const CScoreFile& GetAt(size_t position) const;
  CScoreFile& GetAt(size_t position);

  // Appends a copy; returns its position.
  size_t Add(const CScoreFile& record);
  // The history record with the same Hash, or null (the newest when several share it).
  CScoreFile* Lookup(const CScoreFile& record);
  // One record per page and insert: replaces the first record with the same InsertNumber and
  // WebPageName (letter case ignored), or appends. Returns 1.
  int AddOrReplace(const CScoreFile& record);
  // Removes a record given by reference into this history; later ones move down.
  void Remove(const CScoreFile& historyRecord);
  void RemoveAt(size_t position);
  void RemoveAll();
  void CopyFrom(const CColScoreFile& other);
  // The records as a list; loading keeps what was read completely when the file ends early,
  // then raises the end-of-file error.
  virtual void Serialize(CArchive& ar);

  // Index state, for diagnostics and tests.
  uint32_t BucketCount() const { return uint32_t(buckets_.size()); }
  bool IsIndexValid() const { return indexFlags_ & IndexValid; }

  // Smallest odd prime not below (n + n/4) | 1, at least 17.
  static uint32_t BucketCountFor(size_t n);

 private:
  static constexpr uint32_t IndexValid = 1;
  static constexpr int32_t None = -1;

  struct Node {
    CHash256 key;
    uint32_t hashValue;
    uint32_t position;
    int32_t next;
  };

  void AppendCopy(const CScoreFile& record);
  void RebuildIfNeeded();
  void IndexSet(const CHash256& key, uint32_t position);  // enters or takes the entry over
  void IndexRemove(const CHash256& key);
  Node* IndexFind(const CHash256& key);
  void IndexClear();  // keeps the bucket count
  void CheckPosition(size_t position) const;

  std::vector<CScoreFile> Records;
  std::vector<int32_t> buckets_;  // first node of each bucket
  std::vector<Node> nodes_;
  int32_t freeNodes_ = None;
  uint32_t indexFlags_ = 0;
};

// What IsPosted found.
enum class PostedState : int {
  NotPosted = 0,          // the content is not in the history
  InCurrentPosting = 1,   // already among the records of the file being posted
  PostedBefore = 2,       // posted before
  AddedByHand = 3,        // declared posted by hand
};

// Looks the record's content up: first, when currentPosting is given, among the records of
// the score file being posted (by digest, in order), then in the history. previous (when
// given) gets the record found, or null.
PostedState IsPosted(const CScoreFile& record, const CScoreFile** previous,
                     const std::vector<CScoreFile*>* currentPosting, CColScoreFile& history);

}  // namespace tx
