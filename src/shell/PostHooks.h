#pragma once
// The real operations behind a posting run's hooks: discovery, the Confirm Posting dialog,
// the template fetch, the converter, the FTP worker, the form post and the wireless database
// question. The front end's own parts (Navigate, Beep, the index) are added by the caller.
#include <memory>

#include "app/AppData.h"
#include "app/PostContext.h"

namespace tx {

class CTempPaths;

CPostHooks MakeRealPostHooks(Services& services, AppData& data, CPostingState& posting, CTempPaths& temp);

// A CFTPWorker on the setup's FTP account behind the posting run's upload interface.
std::unique_ptr<IFtpUploader> MakeFtpUploader(Services& services, const CSetup& setup);

// The BridgeWebs form post through CHTPost, the reply kept in a temporary file.
CFormPostOutcome PostFormToService(Services& services, CTempPaths& temp, const std::string& url,
                                   const std::vector<CFormField>& form, const std::string& pageName);

}  // namespace tx
