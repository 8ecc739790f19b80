#include "net/HTPost.h"
#include "platform/Encoding.h"

namespace tx {

std::string EncodeFormBytes(std::string_view bytes) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char c : bytes) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      out += char(c);
    } else {
      out += '%';
      out += Hex[c >> 4];
      out += Hex[c & 15];
    }
  }
  return out;
}

std::string EncodeFormText(std::string_view utf8) { return EncodeFormBytes(Windows1252FromUtf8(utf8)); }

void CFormBody::AddText(std::string_view name, std::string_view utf8Value) {
  body_.append(name).append("=").append(EncodeFormText(utf8Value)).append("&");
}

void CFormBody::AddBytes(std::string_view name, std::string_view bytes) {
  body_.append(name).append("=").append(EncodeFormBytes(bytes)).append("&");
}

std::string CFormBody::Body() const {
  std::string b = body_;
  while (!b.empty() && b.back() == '&') b.pop_back();
  return b;
}

std::string BridgeWebsAddress(std::string_view host, std::string_view ftpDirectory) {
  std::string a = "http://";
  a.append(host);
  if (!ftpDirectory.empty()) a.append("/").append(ftpDirectory);
  return a + "/cgi-bin/upload/exchange.cgi";
}

}  // namespace tx
