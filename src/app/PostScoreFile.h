#pragma once
// Posting one confirmed score file: the merged page by FTP in website mode, the game file by
// form post in BridgeWebs mode.
#include <string>

#include "app/PostContext.h"

namespace tx {

OperationResult PostScoreFile(CPostContext& ctx, CScoreFile& record, IFtpUploader& worker,
                              CTemplateFile* templ);

// The page, then the files of Dealwright's "_files" folder into the page's own folder.
int UploadPage(IFtpUploader& worker, const std::string& localPage, const std::string& htmlPath,
               const std::string& remoteName);

}  // namespace tx
