#include "sim/keyboard_firmware.h"

#include <algorithm>
#include <span>

namespace tavrin::sim {

namespace {

constexpr std::uint8_t kStart0 = 0xE7, kStart1 = 0x55, kStart2 = 0xAA;
constexpr std::uint8_t kData = 0xE3, kEnd = 0xE6;

// How a setting's value bytes change the EEPROM.
enum class Store {
    Flag,       // value '1' sets the bits of `set`, anything else keeps those of `keep`
    Byte,       // the value byte itself (choice digit of a country, MSR type, scanner)
    Packed,     // one or two ASCII digits as packed decimal: "25" -> 0x25, "7" -> 0x07
    Character,  // the first character's code; no character stores 0
    Count,      // ASCII digits as a number: "5" -> 5; no digit stores 0
    Sequence,   // the bytes into a field of `set` bytes, zero padded
};

struct Setting {
    std::uint8_t code;
    Store store;
    std::uint8_t address;
    std::uint8_t set = 0;   // Flag: OR mask, Sequence: field length
    std::uint8_t keep = 0;  // Flag: AND mask
};

// The device's own table of setting codes.
constexpr Setting kSettings[] = {
    {0x4A, Store::Packed, 40},
    {0x61, Store::Flag, 2, 0x80, 0x7F},
    {0x2B, Store::Byte, 68},
    {0x2C, Store::Byte, 69},
    {0x00, Store::Flag, 2, 0x01, 0xFE},
    {0x1E, Store::Byte, 126},
    {0x02, Store::Sequence, 32, 3},
    {0x03, Store::Sequence, 35, 3},
    {0x01, Store::Flag, 11, 0x04, 0x0B},
    {0x5F, Store::Flag, 2, 0x40, 0xBF},
    {0x04, Store::Flag, 3, 0x01, 0xFE},
    {0x05, Store::Flag, 5, 0x01, 0x02},
    {0x06, Store::Flag, 7, 0x01, 0xFE},
    {0x07, Store::Flag, 11, 0x02, 0x0D},
    {0x08, Store::Packed, 20},
    {0x09, Store::Packed, 24},
    {0x0A, Store::Character, 9},
    {0x0B, Store::Character, 10},
    {0x0C, Store::Flag, 3, 0x04, 0xFB},
    {0x0D, Store::Flag, 11, 0x01, 0x0E},
    {0x0E, Store::Packed, 22},
    {0x0F, Store::Packed, 26},
    {0x50, Store::Flag, 4, 0x01, 0x02},
    {0x51, Store::Flag, 8, 0x01, 0x02},
    {0x52, Store::Packed, 12},
    {0x53, Store::Packed, 13},
    {0x1A, Store::Flag, 3, 0x80, 0x7F},
    {0x1B, Store::Flag, 7, 0x80, 0x7F},
    {0x1C, Store::Packed, 23},
    {0x1D, Store::Packed, 27},
    {0x12, Store::Flag, 3, 0x02, 0xFD},
    {0x13, Store::Flag, 5, 0x02, 0x01},
    {0x14, Store::Flag, 7, 0x02, 0xFD},
    {0x15, Store::Packed, 21},
    {0x16, Store::Packed, 25},
    {0x19, Store::Flag, 11, 0x08, 0x07},
    {0x55, Store::Flag, 4, 0x02, 0x01},
    {0x56, Store::Flag, 6, 0x02, 0x01},
    {0x57, Store::Flag, 8, 0x02, 0x01},
    {0x58, Store::Packed, 14},
    {0x59, Store::Packed, 15},
    {0x20, Store::Flag, 3, 0x08, 0xF7},
    {0x21, Store::Packed, 28},
    {0x10, Store::Packed, 29},
    {0x22, Store::Count, 16},
    {0x23, Store::Flag, 3, 0x10, 0xEF},
    {0x24, Store::Packed, 30},
    {0x11, Store::Packed, 31},
    {0x25, Store::Count, 17},
    {0x26, Store::Flag, 3, 0x20, 0xDF},
    {0x1F, Store::Packed, 122},
    {0x17, Store::Packed, 123},
    {0x27, Store::Count, 18},
    {0x28, Store::Flag, 3, 0x40, 0xBF},
    {0x29, Store::Packed, 124},
    {0x18, Store::Packed, 125},
    {0x2A, Store::Count, 19},
    {0x3E, Store::Flag, 2, 0x04, 0xFB},
    {0x3F, Store::Flag, 49, 0x08, 0x17},
    {0x40, Store::Flag, 49, 0x01, 0x1E},
    {0x41, Store::Flag, 49, 0x02, 0x1D},
    {0x42, Store::Flag, 49, 0x04, 0x1B},
    {0x2E, Store::Sequence, 50, 3},
    {0x2F, Store::Sequence, 53, 3},
    {0x43, Store::Sequence, 71, 8},
    {0x44, Store::Sequence, 79, 8},
    {0x45, Store::Sequence, 87, 8},
    {0x46, Store::Sequence, 95, 8},
    {0x47, Store::Sequence, 103, 8},
    {0x48, Store::Sequence, 111, 8},
    {0x2D, Store::Flag, 70, 0x01, 0x3E},
    {0x34, Store::Flag, 70, 0x20, 0x1F},
    {0x33, Store::Flag, 70, 0x10, 0x2F},
    {0x30, Store::Flag, 70, 0x02, 0x3D},
    {0x31, Store::Flag, 70, 0x04, 0x3B},
    {0x32, Store::Flag, 70, 0x08, 0x37},
};

// Commands that are not settings.
constexpr std::uint8_t kReadCode = 0x63, kReadArg = 0x52;
constexpr std::uint8_t kCloseCode = 0x62, kCloseArg = 0x45;
constexpr std::uint8_t kModeCode = 0x5D, kModeOn = 0x31, kModeOff = 0x30, kResetArm = 0x1E;
constexpr std::uint8_t kResetCode = 0x60, kResetArg = 0x44;
constexpr std::uint8_t kModeAddress = 49, kModeBit = 0x10;

constexpr bool codesUnique() {
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        for (std::size_t j = i + 1; j < std::size(kSettings); ++j) {
            if (kSettings[i].code == kSettings[j].code) {
                return false;
            }
        }
        std::uint8_t c = kSettings[i].code;
        if (c == kReadCode || c == kCloseCode || c == kModeCode || c == kResetCode) {
            return false;
        }
    }
    return true;
}
static_assert(codesUnique(), "a setting code is listed twice");

const Setting* findSetting(std::uint8_t code) {
    for (const auto& s : kSettings) {
        if (s.code == code) {
            return &s;
        }
    }
    return nullptr;
}

bool isDigit(std::uint8_t b) {
    return b >= '0' && b <= '9';
}

// Virtual-key codes of the nibbles; the keypad keys also with Num Lock off.
constexpr std::uint8_t kNibbleKeys[16] = {0x75, 0x76, 0x77, 0x78, 0x79, 0x90, 0x91, 0x67,
                                          0x68, 0x69, 0x6D, 0x64, 0x65, 0x66, 0x6B, 0x61};
constexpr std::uint8_t kNibbleKeysNumLockOff[16] = {0x75, 0x76, 0x77, 0x78, 0x79, 0x90, 0x91, 0x24,
                                                    0x26, 0x21, 0x6D, 0x25, 0x0C, 0x27, 0x6B, 0x23};

// Keys the firmware types where the answer's layout wants a filler: letters,
// which are no nibble, with their set-1 make codes.
constexpr KeyboardFirmware::Key kFillers[] = {
    {'Q', 0x10}, {'W', 0x11}, {'E', 0x12}, {'R', 0x13}, {'T', 0x14}, {'Y', 0x15}, {'U', 0x16},
    {'I', 0x17}, {'O', 0x18}, {'P', 0x19}, {'A', 0x1E}, {'S', 0x1F}, {'D', 0x20}, {'F', 0x21},
    {'G', 0x22}, {'H', 0x23}, {'J', 0x24}, {'K', 0x25}, {'L', 0x26}, {'Z', 0x2C}, {'X', 0x2D},
    {'C', 0x2E}, {'V', 0x2F}, {'B', 0x30}, {'N', 0x31}, {'M', 0x32}};

constexpr int kFillersBefore = 30;  // filler keys before the version nibbles (NT layout)

}  // namespace

KeyboardFirmware::KeyboardFirmware(platform::ClockHost& host, Options options)
    : host_(host),
      options_(std::move(options)),
      eeprom_(options_.eeprom.value_or(factoryDefaults())) {}

KeyboardFirmware::Eeprom KeyboardFirmware::factoryDefaults() {
    Eeprom e{};
    e[0] = 0x55;
    e[1] = 0xAA;
    e[2] = 0x85;  // barcode reader, MSR, buzzer on good read; auto off off
    e[3] = 0xFF;  // every barcode symbology of byte 3 enabled
    e[9] = '*';   // Code Bar start and stop codes
    e[10] = '*';
    e[12] = 0x20;  // Code MSI max / min length
    e[13] = 0x04;
    e[14] = 0x20;  // Code 11 max / min length
    e[15] = 0x04;
    for (int a = 20; a <= 23; ++a) {
        e[a] = 0x30;      // max lengths
        e[a + 4] = 0x04;  // min lengths
    }
    e[40] = 0x05;   // 5 ms between keystrokes
    e[49] = 0x07;   // tracks 1..3 on, no start/stop code, character display
    e[68] = 0x30;   // US
    e[69] = 0x36;   // TK123
    e[70] = 0x0F;   // error beep, parity check on every track
    e[126] = 0x30;  // trigger scanner
    return e;
}

void KeyboardFirmware::receiveByte(std::uint8_t byte) {
    switch (state_) {
        case Parse::Idle:
            frameBytes_.assign(1, byte);
            if (byte == kStart0) {
                state_ = Parse::Start1;
            } else {
                state_ = Parse::Broken;
                brokenReason_ = "no start frame";
                brokenAfterE3_ = byte == kData;
                if (byte == kEnd) {
                    endBroken();
                }
            }
            return;
        case Parse::Start1:
        case Parse::Start2: {
            std::uint8_t want = state_ == Parse::Start1 ? kStart1 : kStart2;
            if (byte == want) {
                frameBytes_.push_back(byte);
                if (state_ == Parse::Start1) {
                    state_ = Parse::Start2;
                } else {
                    state_ = Parse::InFrame;
                    data_.clear();
                }
            } else {
                breakFrame(byte, "broken start frame");
            }
            return;
        }
        case Parse::InFrame:
            if (byte == kData) {
                frameBytes_.push_back(byte);
                state_ = Parse::DataNext;
            } else if (byte == kEnd) {
                state_ = Parse::Idle;
                frames_.push_back(data_);
                execute(data_);
            } else {
                breakFrame(byte, "data byte without E3");
            }
            return;
        case Parse::DataNext:
            // Whatever follows an E3 is data, even E6 or E7.
            frameBytes_.push_back(byte);
            data_.push_back(byte);
            state_ = Parse::InFrame;
            return;
        case Parse::Broken:
            if (brokenAfterE3_) {
                frameBytes_.push_back(byte);
                brokenAfterE3_ = false;
            } else if (byte == kStart0) {
                endBroken();
                receiveByte(byte);
            } else {
                frameBytes_.push_back(byte);
                brokenAfterE3_ = byte == kData;
                if (byte == kEnd) {
                    endBroken();
                }
            }
            return;
    }
}

void KeyboardFirmware::breakFrame(std::uint8_t byte, const char* reason) {
    brokenReason_ = reason;
    if (byte == kStart0) {
        // A new frame begins before this one ended: drop this one.
        brokenReason_ += ", new start";
        endBroken();
        receiveByte(byte);
        return;
    }
    state_ = Parse::Broken;
    brokenAfterE3_ = false;
    // Go on as if inside the frame, so that the rest of it is dropped with it.
    receiveByte(byte);
}

void KeyboardFirmware::endBroken() {
    rejected_.push_back({frameBytes_, brokenReason_});
    frameBytes_.clear();
    data_.clear();
    state_ = Parse::Idle;
    resetArmed_ = false;
}

void KeyboardFirmware::execute(const std::vector<std::uint8_t>& data) {
    bool armed = resetArmed_;
    resetArmed_ = false;
    if (data.size() == 2 && data[0] == kResetCode && data[1] == kResetArg) {
        if (armed) {
            eeprom_ = factoryDefaults();
            ++resets_;
        } else {
            rejected_.push_back({data, "reset without its first frame"});
        }
        return;
    }
    if (data.size() == 2 && data[0] == kModeCode && data[1] == kResetArm) {
        resetArmed_ = true;
        return;
    }
    if (!data.empty() && options_.lostFrames.contains(data[0])) {
        return;
    }
    if (auto why = apply(data); !why.empty()) {
        rejected_.push_back({data, why});
    }
}

std::string KeyboardFirmware::apply(const std::vector<std::uint8_t>& data) {
    if (data.empty()) {
        return "empty frame";
    }
    const std::uint8_t code = data[0];
    const std::span<const std::uint8_t> value(data.data() + 1, data.size() - 1);
    auto single = [&](std::uint8_t v) { return value.size() == 1 && value[0] == v; };

    if (code == kReadCode) {
        if (!single(kReadArg)) {
            return "unknown command";
        }
        ++readRequests_;
        if (typing()) {
            return "read while still typing";
        }
        if (!options_.silent) {
            host_.clock().post(host_.clock().now() + options_.answerDelay,
                               alive_.guard([this] { startAnswer(); }));
        }
        return {};
    }
    if (code == kCloseCode) {
        if (!single(kCloseArg)) {
            return "unknown command";
        }
        ++closingFrames_;
        return {};
    }
    if (code == kModeCode) {
        if (single(kModeOn)) {
            eeprom_[kModeAddress] |= kModeBit;
        } else if (single(kModeOff)) {
            eeprom_[kModeAddress] &= 0x0F;
        } else {
            return "bad value";
        }
        return {};
    }
    const Setting* s = findSetting(code);
    if (s == nullptr) {
        return "unknown command";
    }
    std::uint8_t& cell = eeprom_[s->address];
    switch (s->store) {
        case Store::Flag:
            if (value.size() != 1) {
                return "bad value";
            }
            cell = value[0] == '1' ? (cell | s->set) : (cell & s->keep);
            return {};
        case Store::Byte:
            if (value.size() != 1) {
                return "bad value";
            }
            cell = value[0];
            return {};
        case Store::Packed:
            if (value.empty() || value.size() > 2 ||
                !std::all_of(value.begin(), value.end(), isDigit)) {
                return "bad value";
            }
            cell = value.size() == 1
                       ? static_cast<std::uint8_t>(value[0] - '0')
                       : static_cast<std::uint8_t>(((value[0] - '0') << 4) | (value[1] - '0'));
            return {};
        case Store::Character:
            cell = value.empty() ? 0 : value[0];
            return {};
        case Store::Count: {
            int n = 0;
            for (auto b : value) {
                if (!isDigit(b)) {
                    return "bad value";
                }
                n = n * 10 + (b - '0');
                if (n > 0xFF) {
                    return "bad value";
                }
            }
            cell = static_cast<std::uint8_t>(n);
            return {};
        }
        case Store::Sequence: {
            // The field takes what fits; a longer value (six scan codes for a
            // three-byte field) never spills into the next field.
            const std::size_t length = s->set;
            for (std::size_t i = 0; i < length; ++i) {
                eeprom_[s->address + i] = i < value.size() ? value[i] : 0;
            }
            return {};
        }
    }
    return "unknown command";
}

KeyboardFirmware::Key KeyboardFirmware::nibbleKey(int nibble) const {
    nibble &= 0x0F;
    const auto& codes = options_.numLockOff ? kNibbleKeysNumLockOff : kNibbleKeys;
    return {codes[nibble], static_cast<std::uint8_t>(0x40 + nibble)};
}

std::vector<KeyboardFirmware::Key> KeyboardFirmware::answer() {
    std::vector<Key> nibbles;
    nibbles.reserve(2 + 2 * eeprom_.size());
    nibbles.push_back(nibbleKey(options_.versionMajor));
    nibbles.push_back(nibbleKey(options_.versionMinor));
    for (auto b : eeprom_) {
        nibbles.push_back(nibbleKey(b >> 4));
        nibbles.push_back(nibbleKey(b & 0x0F));
    }
    auto os = host_.GetVersionEx();
    if (os && os->platformId == 1) {
        return nibbles;  // Windows 95/98/ME: the nibbles alone
    }
    // Every other system: filler keys around the version and the EEPROM.
    std::size_t filler = 0;
    auto nextFiller = [&] { return kFillers[filler++ % std::size(kFillers)]; };
    std::vector<Key> keys;
    keys.reserve(290);
    for (int i = 0; i < kFillersBefore; ++i) {
        keys.push_back(nextFiller());
    }
    keys.push_back(nibbles[0]);
    keys.push_back(nibbles[1]);
    keys.push_back(nextFiller());
    keys.insert(keys.end(), nibbles.begin() + 2, nibbles.end());
    keys.push_back(nextFiller());
    return keys;
}

void KeyboardFirmware::startAnswer() {
    auto keys = answer();
    typingQueue_.clear();
    typingNext_ = 0;
    const int count = static_cast<int>(keys.size());
    auto addExtras = [&](auto matches) {
        for (const auto& extra : options_.addedKeys) {
            if (matches(extra.beforePosition)) {
                typingQueue_.emplace_back(extra.key);
            }
        }
    };
    for (int p = 0; p < count; ++p) {
        addExtras([p](int before) { return before == p; });
        if (options_.lostKeys.count(p) != 0) {
            typingQueue_.emplace_back(std::nullopt);
        } else {
            typingQueue_.emplace_back(keys[static_cast<std::size_t>(p)]);
        }
    }
    addExtras([count](int before) { return before >= count; });
    typeNext();
}

void KeyboardFirmware::typeNext() {
    if (!typing()) {
        return;
    }
    if (const auto& key = typingQueue_[typingNext_]) {
        host_.typeKey(key->virtualKey, key->scanCode);
    }
    ++typingNext_;
    if (typing()) {
        host_.clock().post(host_.clock().now() + options_.typingInterval,
                           alive_.guard([this] { typeNext(); }));
    }
}

}  // namespace tavrin::sim
