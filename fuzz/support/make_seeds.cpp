// Writes seed inputs for the fuzz targets into the folder given: a full current setup
// document and a small history file.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "FuzzServices.h"
#include "scorefile/SetupSerialize.h"
#include "store/Archive.h"
#include "store/Sha256.h"
#include "web/ColScoreFile.h"

namespace {

void Save(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

tx::CScoreFile Record(const char* name) {
  tx::CScoreFile r;
  r.Hash = tx::CSha256::Digest(name);
  r.Path = std::string("C:\\ACBLSCOR\\GAMEFILE\\") + name + ".txt";
  r.WebPageName = std::string(name) + ".htm";
  r.DateText = "January 5, 2014";
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SETUP_SEED_DIR HISTORY_SEED_DIR\n", argv[0]);
    return 2;
  }
  tx::fuzz::FuzzServices services;
  std::filesystem::create_directories(argv[1]);
  std::filesystem::create_directories(argv[2]);
  {
    tx::CSetup s;
    s.WebsiteUrl = "http://club.example/";
    s.FtpServer = "ftp.club.example";
    s.FtpPassword = {1, 2, 3};
    s.IndexData = {Record("a")};
    tx::SetupLoadState state;
    tx::CMemoryStream out;
    tx::CArchive ar(out, tx::CArchive::Mode::Store);
    ar.WriteU32(10);
    tx::SerializeSetup(ar, s, 10, 10, state, services.Svc);
    ar.Close();
    Save(std::filesystem::path(argv[1]) / "schema10.tsu", out.Data());
  }
  {
    tx::CColScoreFile history;
    history.Add(Record("a"));
    history.Add(Record("b"));
    tx::CMemoryStream out;
    tx::CArchive ar(out, tx::CArchive::Mode::Store);
    ar.WriteU32(1);
    history.Serialize(ar);
    ar.Close();
    Save(std::filesystem::path(argv[2]) / "history.bin", out.Data());
  }
  return 0;
}
