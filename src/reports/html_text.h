// Text inside the pages: escaped for HTML, quoted for their JSON data.
#pragma once

#include <string>

namespace vestrel {

inline std::string escapedForHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// A JSON string that is also safe inside a script element: "<" and the
// control characters escaped.
inline std::string quotedForJson(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '<' || static_cast<unsigned char>(c) < 0x20) {
            out += "\\u00";
            out += "0123456789abcdef"[(c >> 4) & 15];
            out += "0123456789abcdef"[c & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace vestrel
