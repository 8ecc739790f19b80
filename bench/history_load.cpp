// Loads an upload history of 100,000 records from its archive and runs 1,000,000 lookups;
// prints both times and the memory the loaded history takes against the file size.
//   bench_history_load [RECORDS] [LOOKUPS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "store/Archive.h"
#include "store/Sha256.h"
#include "web/ColScoreFile.h"

namespace {

// Peak resident memory of this process in bytes (VmHWM).
uint64_t PeakResident() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      uint64_t kib = 0;
      status >> kib;
      return kib * 1024;
    }
    std::getline(status, key);
  }
  return 0;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

tx::CScoreFile Sample(int i) {
  char day[16];
  std::snprintf(day, sizeof day, "%02d%02d%02d", 10 + i % 15, 1 + i % 12, 1 + i % 28);
  tx::CScoreFile r;
  r.Hash = tx::CSha256::Digest("record " + std::to_string(i));
  r.Path = std::string("C:\\ACBLSCOR\\GAMEFILE\\") + day + "A.txt";
  r.HandRecordPath = std::string("C:\\Hands\\") + day + "A.pbn";
  r.Flags = tx::CScoreFile::LocalFile | tx::CScoreFile::HandRecordUploaded | tx::CScoreFile::PdfUploaded;
  r.Size = 20000 + i;
  r.Modified = 1388953000 + int64_t(i) * 3600;
  r.Posted = r.Modified + 600;
  r.WebPageName = "20";
  r.WebPageName.append(day, 2).append("\\").append(day).append("anlma.htm");
  r.InsertNumber = i % 3;
  r.Event = "Club Championship Pairs";
  r.Session = "Wednesday Aft";
  r.Section = "A";
  static const char* const months[12] = {"January", "February", "March", "April", "May", "June", "July",
                                         "August", "September", "October", "November", "December"};
  r.DateText = std::string(months[i % 12]) + " " + std::to_string(1 + i % 28) + ", " + std::to_string(2010 + i % 15);
  r.Limits = "750/300/0";
  return r;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  int lookups = argc > 2 ? std::atoi(argv[2]) : 1000000;
  auto path = std::filesystem::temp_directory_path() / ("tx-history-bench-" + std::to_string(records) + ".bin");

  {  // Written record by record, so no history is held while writing.
    tx::CFileStream file(path, tx::CFileStream::Mode::Write);
    tx::CArchive ar(file, tx::CArchive::Mode::Store);
    ar.WriteU32(1);
    ar.WriteCount(uint32_t(records));
    for (int i = 0; i < records; ++i) Sample(i).Serialize(ar);
    ar.Close();
    file.Close();
  }
  uint64_t fileSize = std::filesystem::file_size(path);

  std::vector<tx::CScoreFile> probes;
  for (int i = 0; i < 1000; ++i) probes.push_back(Sample(i % 2 ? i * 97 % records : records + i));

  ResetPeak();
  uint64_t before = PeakResident();
  tx::CColScoreFile history;
  auto t0 = std::chrono::steady_clock::now();
  {
    tx::CFileStream file(path, tx::CFileStream::Mode::Read);
    tx::CArchive ar(file, tx::CArchive::Mode::Load);
    ar.SetRecordVersion(int(ar.ReadU32()));
    history.Serialize(ar);
    ar.Close();
  }
  auto t1 = std::chrono::steady_clock::now();
  size_t hits = 0;
  for (int i = 0; i < lookups; ++i) hits += history.Lookup(probes[size_t(i) % probes.size()]) != nullptr;
  auto t2 = std::chrono::steady_clock::now();
  uint64_t peak = PeakResident() - before;
  std::filesystem::remove(path);

  std::printf("records %d, file %.1f MiB\n", records, fileSize / 1048576.0);
  std::printf("load            %.3f s\n", Seconds(t1 - t0));
  std::printf("%d lookups %.3f s (%zu hits, %u buckets)\n", lookups, Seconds(t2 - t1), hits,
              history.BucketCount());
  std::printf("peak memory     %.1f MiB = %.2f x file size\n", peak / 1048576.0, double(peak) / fileSize);
  return history.GetCount() == size_t(records) ? 0 : 1;
}
