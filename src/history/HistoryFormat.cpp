// The history file's bytes: PairBytes writes one pair, ReadHistory and
// ScanFrames read them back (framing in history/HistoryFormat.h).
//
// A pair's body, numbers little-endian, a text as u32 length and its bytes:
//   from, to         7 bytes each: u16 year, u8 month, day, hour, minute, second
//   u32 CRC-32 of the earlier export, u32 of the later one
//   u32 per-user instances left out, u32 number of records, the records
// A record:
//   u8 kind (ChangeKind), text label (the compared value's, "" for an entry)
//   u8 flags (1 no real instance, 2 a value before, 4 a value after)
//   text entry, text key
//   before, after where flagged: u32 type, text bytes
//   u32 number of keys of a removed entry's subtree, each: text path,
//   u8 removed, u32 number of values, each: text name, u8 removed, u32 type, text bytes
// The compared value is kept by its label, not by its place in the table,
// so that a value compared more one day leaves older files readable.
#include "history/HistoryFormat.h"

#include <array>

#include "history/History.h"

namespace sw {
namespace {

constexpr std::string_view kMagic = "VRL1";
constexpr std::size_t kFrameHead = 12;  // magic, length, checksum
constexpr std::uint8_t kNotAnInstance = 1, kHasBefore = 2, kHasAfter = 4;

std::array<std::uint32_t, 256> CrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

class Writer {
public:
    std::string bytes;
    void U8(std::uint32_t v) { bytes.push_back(static_cast<char>(v & 0xFF)); }
    void U16(std::uint32_t v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Text(std::string_view text) {
        U32(static_cast<std::uint32_t>(text.size()));
        bytes.append(text);
    }
    void Time(const LocalTime& t) {
        U16(static_cast<std::uint32_t>(t.date.year));
        for (int part : {t.date.month, t.date.day, t.hour, t.minute, t.second}) U8(static_cast<std::uint32_t>(part));
    }
    void Stored(const StoredValue& value) {
        U32(value.type);
        Text(value.data);
    }
};

// Reads a body; every read checks what is left, and a failed read makes
// every later one fail too, so a body is checked once at its end.
class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return ok_ && rest_.empty(); }
    std::uint32_t U8() { return Take(1) ? static_cast<unsigned char>(last_[0]) : 0; }
    // One read after the other: the operands of | are not sequenced.
    std::uint32_t U16() {
        const std::uint32_t low = U8();
        return low | U8() << 8;
    }
    std::uint32_t U32() {
        const std::uint32_t low = U16();
        return low | U16() << 16;
    }
    std::string Text() {
        const std::uint32_t size = U32();
        return Take(size) ? std::string(last_) : std::string();
    }
    LocalTime Time() {
        LocalTime t;
        t.date.year = static_cast<int>(U16());
        t.date.month = static_cast<int>(U8());
        t.date.day = static_cast<int>(U8());
        t.hour = static_cast<int>(U8());
        t.minute = static_cast<int>(U8());
        t.second = static_cast<int>(U8());
        return t;
    }
    StoredValue Stored() {
        StoredValue value;
        value.type = U32();
        value.data = Text();
        return value;
    }
    void Fail() { ok_ = false; }

private:
    bool Take(std::size_t size) {
        if (!ok_ || rest_.size() < size) return ok_ = false;
        last_ = rest_.substr(0, size);
        rest_.remove_prefix(size);
        return true;
    }
    std::string_view rest_;
    std::string_view last_;
    bool ok_ = true;
};

void WriteRecord(Writer& w, const HistoryRecord& record) {
    w.U8(static_cast<std::uint32_t>(record.change.kind));
    w.Text(record.change.value ? record.change.value->label : std::string_view());
    w.U8((record.notAnInstance ? kNotAnInstance : 0) | (record.before ? kHasBefore : 0) |
         (record.after ? kHasAfter : 0));
    w.Text(record.entry);
    w.Text(record.key);
    if (record.before) w.Stored(*record.before);
    if (record.after) w.Stored(*record.after);
    w.U32(static_cast<std::uint32_t>(record.removedSubtree.size()));
    for (const ExportKey& key : record.removedSubtree) {
        w.Text(key.path);
        w.U8(key.removed);
        w.U32(static_cast<std::uint32_t>(key.values.size()));
        for (const ExportValue& value : key.values) {
            w.Text(value.name);
            w.U8(value.removed);
            w.Stored(value.stored);
        }
    }
}

PairRuns ReadRuns(Reader& r) {
    PairRuns runs;
    runs.from = r.Time();
    runs.to = r.Time();
    runs.fromChecksum = r.U32();
    runs.toChecksum = r.U32();
    return runs;
}

HistoryRecord ReadRecord(Reader& r) {
    HistoryRecord record;
    const std::uint32_t kind = r.U8();
    const std::string label = r.Text();
    if (kind > static_cast<std::uint32_t>(ChangeKind::ValueRemoved)) r.Fail();
    record.change.kind = static_cast<ChangeKind>(kind);
    // An entry's change names no value; a value's change names one the
    // table knows.
    if (record.change.IsEntry() != label.empty()) r.Fail();
    if (!label.empty() && !(record.change.value = ComparedByLabel(label))) r.Fail();
    const std::uint32_t flags = r.U8();
    record.notAnInstance = (flags & kNotAnInstance) != 0;
    record.entry = r.Text();
    record.key = r.Text();
    if (flags & kHasBefore) record.before = r.Stored();
    if (flags & kHasAfter) record.after = r.Stored();
    const std::uint32_t keys = r.U32();
    for (std::uint32_t k = 0; k < keys && r.Ok(); ++k) {
        ExportKey key;
        key.path = r.Text();
        key.removed = r.U8() != 0;
        const std::uint32_t values = r.U32();
        for (std::uint32_t v = 0; v < values && r.Ok(); ++v) {
            ExportValue value;
            value.name = r.Text();
            value.removed = r.U8() != 0;
            value.stored = r.Stored();
            key.values.push_back(std::move(value));
        }
        record.removedSubtree.push_back(std::move(key));
    }
    return record;
}

std::optional<HistoryPair> ReadPair(std::string_view body) {
    Reader r(body);
    const PairRuns runs = ReadRuns(r);
    HistoryPair pair;
    pair.from = runs.from;
    pair.to = runs.to;
    pair.fromChecksum = runs.fromChecksum;
    pair.toChecksum = runs.toChecksum;
    pair.instancesLeftOut = r.U32();
    const std::uint32_t count = r.U32();
    for (std::uint32_t i = 0; i < count && r.Ok(); ++i) pair.records.push_back(ReadRecord(r));
    if (!r.AtEnd()) return std::nullopt;
    return pair;
}

std::uint32_t Little32(std::string_view bytes) {
    Reader r(bytes);
    return r.U32();
}

// The body of the frame at the start of bytes, when it is whole and its
// checksum matches.
std::optional<std::string_view> FrameBody(std::string_view bytes) {
    if (bytes.size() < kFrameHead || bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    const std::uint32_t length = Little32(bytes.substr(4, 4));
    if (bytes.size() - kFrameHead < length) return std::nullopt;
    const std::string_view body = bytes.substr(kFrameHead, length);
    if (ExportChecksum(body) != Little32(bytes.substr(8, 4))) return std::nullopt;
    return body;
}

// Walks the whole frames from the start; calls onBody for each and stops
// at the first that is not whole or that onBody refuses. Returns where it
// stopped.
template <class OnBody>
std::size_t WalkFrames(std::string_view bytes, OnBody onBody) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto body = FrameBody(bytes.substr(at));
        if (!body || !onBody(*body)) break;
        at += kFrameHead + body->size();
    }
    return at;
}

std::string DamageText(std::size_t at, std::size_t total, std::size_t pairsRead) {
    return "Der Verlauf der Änderungen ist ab Byte " + std::to_string(at) + " von " + std::to_string(total) +
           " nicht lesbar (ein unvollständig geschriebener oder beschädigter Eintrag); die " +
           std::to_string(pairsRead) + " Vorgänge davor wurden gelesen.";
}

}  // namespace

std::uint32_t ExportChecksum(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = CrcTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string PairBytes(const HistoryPair& pair) {
    Writer body;
    body.Time(pair.from);
    body.Time(pair.to);
    body.U32(pair.fromChecksum);
    body.U32(pair.toChecksum);
    body.U32(static_cast<std::uint32_t>(pair.instancesLeftOut));
    body.U32(static_cast<std::uint32_t>(pair.records.size()));
    for (const HistoryRecord& record : pair.records) WriteRecord(body, record);
    Writer frame;
    frame.bytes.append(kMagic);
    frame.U32(static_cast<std::uint32_t>(body.bytes.size()));
    frame.U32(ExportChecksum(body.bytes));
    return frame.bytes + body.bytes;
}

History ReadHistory(std::string_view fileBytes) {
    History history;
    const std::size_t end = WalkFrames(fileBytes, [&](std::string_view body) {
        auto pair = ReadPair(body);
        if (pair) history.pairs.push_back(std::move(*pair));
        return pair.has_value();
    });
    if (end < fileBytes.size()) history.damage = DamageText(end, fileBytes.size(), history.pairs.size());
    return history;
}

FrameScan ScanFrames(std::string_view fileBytes) {
    FrameScan scan;
    scan.wholeEnd = WalkFrames(fileBytes, [&](std::string_view body) {
        Reader r(body);
        const PairRuns runs = ReadRuns(r);
        if (r.Ok()) scan.pairs.push_back(runs);
        return r.Ok();
    });
    for (std::size_t at = fileBytes.find(kMagic, scan.wholeEnd + 1); at != std::string_view::npos && !scan.pairAfterDamage;
         at = fileBytes.find(kMagic, at + 1))
        scan.pairAfterDamage = FrameBody(fileBytes.substr(at)).has_value();
    return scan;
}

}  // namespace sw
