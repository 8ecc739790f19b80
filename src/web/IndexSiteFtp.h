#pragma once
// The website as Index Website walks it, over the FTP worker.
#include <memory>

#include "net/FTPWorker.h"
#include "web/IndexContext.h"
#include "web/IndexWebsite.h"

namespace tx {

std::unique_ptr<IIndexSite> MakeFtpIndexSite(Services& services, const CSetup& setup);
// Over a worker the caller keeps.
std::unique_ptr<IIndexSite> MakeFtpIndexSite(CFTPWorker& worker);

}  // namespace tx

namespace tx {
// Opens the page quietly as text through the connection and parses it with the digest.
ReadIndexPageFn MakeIndexPageReader(Services& services);
}  // namespace tx
