#include "web/IndexContext.h"

#include "platform/LocalTime.h"

namespace tx {

int64_t CIndexContext::CurrentTime() const { return Hooks.Now ? Hooks.Now() : tx::Now(); }

std::string JoinSiteUrl(std::string url, std::string_view component) {
  if (component.empty()) return url;
  if (!url.empty() && url.back() != '/') url += '/';
  size_t start = url.size();
  url += component;
  for (size_t i = start; i < url.size(); ++i)
    if (url[i] == '\\') url[i] = '/';
  return url;
}

}  // namespace tx
