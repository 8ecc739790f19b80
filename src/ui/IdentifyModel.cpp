#include "ui/IdentifyModel.h"

#include <cerrno>
#include <cstdlib>

#include "platform/AsciiText.h"
#include "platform/Encoding.h"

namespace tx {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

bool CIdentifyModel::IsValidLimit(std::string_view limit) {
  std::string_view head = limit.substr(0, limit.find('/'));
  if (EqualNoCase(head, "n") || EqualNoCase(head, "none") || EqualNoCase(head, "nlm")) return true;
  // The whole part must read as one decimal number (leading blanks and a sign allowed).
  size_t i = 0;
  while (i < head.size() && IsBlank(head[i])) ++i;
  if (i < head.size() && (head[i] == '+' || head[i] == '-')) ++i;
  size_t digits = i;
  bool nonZero = false;
  while (i < head.size() && head[i] >= '0' && head[i] <= '9') nonZero |= head[i++] != '0';
  return i > digits && i == head.size() && nonZero;
}

std::optional<CIdentifyModel::Failure> CIdentifyModel::Validate() const {
  bool blank = true;
  for (char c : values_.Event) blank &= IsBlank(c);
  if (blank)
    return Failure{EventControl,
                   "Enter a title for the event being posted,\r\nfor example, \"Open Pairs\""};
  if (values_.SessionIndex < 0 || values_.SessionIndex > 3)
    return Failure{SessionTimeControl, "Select the session time: Morning, Afternoon, Evening or Late"};
  if (!IsValidLimit(values_.Limit))
    return Failure{LimitControl,
                   "Enter upper masterpoint limit (for top stratum only):\r\n\"n\" or \"none\" for no "
                   "limit\r\n\"nlm\" for non-life-master\r\nor numeric number of masterpoints"};
  return std::nullopt;
}

std::optional<std::string> CIdentifyModel::ContentsText() const {
  if (!values_.Contents || values_.Contents->empty()) return std::nullopt;
  std::string_view bytes(reinterpret_cast<const char*>(values_.Contents->data()), values_.Contents->size());
  return SanitizeUtf8(bytes.substr(0, bytes.find('\0')));
}

std::string CIdentifyModel::FetchAddress(const std::string& websiteUrl,
                                         const std::string& websiteScoreFileDirectory) const {
  if (values_.Local) return "file://" + values_.FileName;
  return websiteUrl + websiteScoreFileDirectory + values_.FileName;
}

}  // namespace tx
