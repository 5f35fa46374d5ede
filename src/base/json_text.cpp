#include "base/json_text.h"

#include <cstdio>

namespace faxlens {

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '"' || byte == '\\') {
            json += '\\';
            json += static_cast<char>(byte);
            ++i;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
            ++i;
        } else if (byte < 0x80) {
            json += static_cast<char>(byte);
            ++i;
        } else {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
            bool valid = length > 0 && byte < 0xF5 && i + length <= text.size();
            for (std::size_t k = 1; valid && k < length; ++k)
                valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            if (valid && length > 2) {
                // The second byte's range rules out overlong forms, surrogates and code points
                // beyond U+10FFFF.
                const auto second = static_cast<unsigned char>(text[i + 1]);
                valid = !(byte == 0xE0 && second < 0xA0) && !(byte == 0xED && second > 0x9F) &&
                        !(byte == 0xF0 && second < 0x90) && !(byte == 0xF4 && second > 0x8F);
            }
            if (valid) {
                json.append(text.substr(i, length));
                i += length;
            } else {
                json += "\\ufffd";
                ++i;
            }
        }
    }
    return json + "\"";
}

} // namespace faxlens
