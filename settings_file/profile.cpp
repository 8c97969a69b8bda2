#include "settings_file/profile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "items/catalogue.h"

namespace tavrin::settings_file {

namespace {

using nlohmann::json;

constexpr std::size_t kMaxProfileBytes = 1 << 20;
constexpr int kMaxDepth = 16;  // a profile nests three levels deep
constexpr int kImageLines = 8;
constexpr int kValuesPerLine = eeprom::kEepromSize / kImageLines;

struct KeyLine {
    int depth;
    std::string key;  // as written, escapes not decoded
    int line;
};

// The parser tells no lines of values, so the text is walked once for the
// line of every object key, and for the nesting depth (the parser recurses).
struct TextScan {
    std::vector<KeyLine> keys;
    int maxDepth = 0;
};

TextScan scanText(std::string_view text) {
    TextScan scan;
    int depth = 0;
    int line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            ++line;
        } else if (c == '{' || c == '[') {
            scan.maxDepth = std::max(scan.maxDepth, ++depth);
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (c == '"') {
            const int startLine = line;
            std::size_t j = i + 1;
            std::string s;
            while (j < text.size() && text[j] != '"') {
                if (text[j] == '\\' && j + 1 < text.size()) {
                    s += text[j++];
                }
                if (text[j] == '\n') {
                    ++line;
                }
                s += text[j++];
            }
            std::size_t k = j + 1;
            while (k < text.size() && std::isspace(static_cast<unsigned char>(text[k]))) {
                if (text[k] == '\n') {
                    ++line;
                }
                ++k;
            }
            if (k < text.size() && text[k] == ':') {
                scan.keys.push_back({depth, std::move(s), startLine});
            }
            i = k;
            continue;
        }
        ++i;
    }
    return scan;
}

int lineOf(const TextScan& scan, int depth, std::string_view key) {
    for (const KeyLine& k : scan.keys) {
        if (k.depth == depth && k.key == key) {
            return k.line;
        }
    }
    return 0;
}

int lineAtByte(std::string_view text, std::size_t byte) {
    byte = std::min(byte, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + byte, '\n'));
}

ProfileParse refuse(int line, std::string reason) {
    ProfileParse result;
    result.error = {line, std::move(reason)};
    return result;
}

std::string quoted(const std::string& s) {
    return json(s).dump();
}

// "55 AA 80 ..." : values as hexadecimal, two digits or more (a binary
// file may hold a value beyond a byte; it is kept).
bool parseImageLine(const std::string& text, std::vector<std::int32_t>& values) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        std::uint32_t v = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] != ' ') {
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0 || ++digits > 8) {
                return false;
            }
            v = v * 16 + static_cast<std::uint32_t>(d);
            ++i;
        }
        values.push_back(static_cast<std::int32_t>(v));
    }
    return true;
}

}  // namespace

bool isProfile(std::span<const std::uint8_t> bytes) {
    if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) {
        return false;
    }
    std::size_t i = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        i = 3;
    }
    while (i < bytes.size() && std::isspace(bytes[i])) {
        ++i;
    }
    return i < bytes.size() && bytes[i] == '{';
}

ProfileParse parseProfile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxProfileBytes) {
        return refuse(0, "the profile is larger than 1 MiB");
    }
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const TextScan scan = scanText(text);
    if (scan.maxDepth > kMaxDepth) {
        return refuse(0, "the profile nests too deeply");
    }
    json doc;
    try {
        doc = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        std::string reason = e.what();
        const auto colon = reason.find(": ");
        reason = "broken JSON: " + (colon == std::string::npos ? reason : reason.substr(colon + 2));
        return refuse(lineAtByte(text, e.byte == 0 ? 0 : e.byte - 1), reason);
    } catch (const json::out_of_range&) {
        // The parser gives no place for a number it cannot hold.
        return refuse(0, "broken JSON: a number too large to read");
    }
    if (!doc.is_object()) {
        return refuse(1, "a profile is a JSON object");
    }
    for (const auto& [name, value] : doc.items()) {
        static const std::set<std::string> kFields{"format", "version", "mode", "items", "image"};
        if (!kFields.contains(name)) {
            return refuse(lineOf(scan, 1, name), "unknown field " + quoted(name));
        }
    }
    if (!doc.contains("format") || doc["format"] != kProfileFormat) {
        return refuse(lineOf(scan, 1, "format"),
                      std::string("not a profile: \"format\" must be \"") + kProfileFormat + "\"");
    }
    if (!doc.contains("version") || !doc["version"].is_number_integer() ||
        doc["version"].get<long long>() != kProfileVersion) {
        return refuse(
            lineOf(scan, 1, "version"),
            "unsupported version: this program reads version " + std::to_string(kProfileVersion));
    }

    Profile profile;
    const json& image = doc.contains("image") ? doc["image"] : json();
    std::vector<std::int32_t> values;
    bool imageOk = image.is_array();
    for (const json& row : image.is_array() ? image : json::array()) {
        imageOk = imageOk && row.is_string() && parseImageLine(row.get<std::string>(), values);
    }
    if (!imageOk || values.size() != static_cast<std::size_t>(eeprom::kEepromSize)) {
        return refuse(lineOf(scan, 1, "image"),
                      "\"image\" must be lines of hexadecimal values, 128 in all");
    }
    std::copy(values.begin(), values.end(), profile.image.begin());

    if (doc.contains("mode")) {
        profile.modeLine = lineOf(scan, 1, "mode");
        if (!doc["mode"].is_string()) {
            return refuse(profile.modeLine, "\"mode\" must be \"scan\" or \"characters\"");
        }
        profile.mode = doc["mode"].get<std::string>();
    }

    if (doc.contains("items")) {
        const json& items = doc["items"];
        if (!items.is_object()) {
            return refuse(lineOf(scan, 1, "items"), "\"items\" must be an object");
        }
        std::map<std::string, int> seen;
        for (const KeyLine& k : scan.keys) {
            if (k.depth == 2 && ++seen[k.key] == 2) {
                return refuse(k.line, "item " + quoted(k.key) + " appears twice");
            }
        }
        for (const auto& [key, entry] : items.items()) {
            const int line = lineOf(scan, 2, key);
            const int n = ui::findItem(key);
            if (n < 1 || n > ui::kItemCount || ui::item(n).key != key) {
                return refuse(line, "unknown item key " + quoted(key));
            }
            if (!entry.is_object() || !entry.contains("value") || !entry["value"].is_string()) {
                return refuse(line, "item " + quoted(key) + " needs a \"value\" text");
            }
            if (entry.contains("number") &&
                (!entry["number"].is_number_integer() || entry["number"].get<long long>() != n)) {
                return refuse(line, "item " + quoted(key) + " is number " + std::to_string(n));
            }
            ProfileItem item{n, key, std::string(ui::item(n).caption),
                             entry["value"].get<std::string>(), line};
            profile.items.push_back(std::move(item));
        }
        std::sort(profile.items.begin(), profile.items.end(),
                  [](const ProfileItem& a, const ProfileItem& b) { return a.number < b.number; });
    }
    return ProfileParse{std::move(profile), {}};
}

std::string writeProfile(const Profile& profile) {
    std::string out = "{\n";
    out += std::string("  \"format\": \"") + kProfileFormat + "\",\n";
    out += "  \"version\": " + std::to_string(kProfileVersion) + ",\n";
    out += "  \"mode\": " + quoted(profile.mode) + ",\n";
    out += "  \"items\": {\n";
    for (std::size_t i = 0; i < profile.items.size(); ++i) {
        const ProfileItem& item = profile.items[i];
        out += "    " + quoted(item.key) + ": {\"number\": " + std::to_string(item.number) +
               ", \"caption\": " + quoted(item.caption) + ", \"value\": " + quoted(item.value) +
               "}" + (i + 1 < profile.items.size() ? ",\n" : "\n");
    }
    out += "  },\n";
    out += "  \"image\": [\n";
    for (int row = 0; row < kImageLines; ++row) {
        std::string line;
        for (int col = 0; col < kValuesPerLine; ++col) {
            char hex[16];
            const auto v = static_cast<std::uint32_t>(
                profile.image[static_cast<std::size_t>(row * kValuesPerLine + col)]);
            std::snprintf(hex, sizeof hex, "%02X", v);
            if (col > 0) {
                line += ' ';
            }
            line += hex;
        }
        out += "    \"" + line + "\"" + (row + 1 < kImageLines ? ",\n" : "\n");
    }
    out += "  ]\n}\n";
    return out;
}

Format formatForName(const std::string& path) {
    std::string tail = path.size() >= 5 ? path.substr(path.size() - 5) : std::string();
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".json" ? Format::Profile : Format::Binary;
}

}  // namespace tavrin::settings_file
