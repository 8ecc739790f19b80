#pragma once
// The index operations as the application runs them: Create Index, Index Website and Publish
// Index wired to the real fetch, staging directory, data files, FTP worker and Identify.
#include <memory>

#include "app/AppData.h"
#include "app/PostContext.h"
#include "web/IndexContext.h"

namespace tx {

// Hooks over the application's data; Navigate is left to the front end.
CIndexHooks MakeIndexHooks(Services& services, AppData& data);

class CIndexOperations : public IIndexOperations {
 public:
  CIndexOperations(Services& services, AppData& data, CIndexState& index);

  bool IndexWebsite() override;
  bool CreateIndexPage() override;
  bool PublishIndex(IFtpUploader& worker, bool publishAll) override;

  CIndexContext& Context() { return ctx_; }

 private:
  CIndexContext ctx_;
};

}  // namespace tx
