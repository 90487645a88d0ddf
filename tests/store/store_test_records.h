#pragma once
// Test records for the store: blank lines of the kind's length with the fields the
// store reads (kind, data kind, creation date, race key, horse number).

#include "store/store_layout.h"

#include <string>
#include <string_view>

namespace tidemark::store::testrec {

struct Key {
    std::string date = "20240115";
    std::string track = "44";
    std::string meeting = "01";
    std::string day = "02";
    std::string race = "01";
    std::string key() const { return date + track + meeting + day + race; }
};

// A record line (without CR LF) of `kind` with `key`; bytes 3–11 data kind and
// creation date.
inline std::string line(StoreKind kind, const Key& key, char dataKind = '1',
                        std::string_view created = "20240110")
{
    std::string s(lineLength(kind), ' ');
    s.replace(0, 2, kindId(kind));
    s[2] = dataKind;
    s.replace(3, 8, created);
    s.replace(11, 16, key.key());
    return s;
}

// Overwrites bytes from 1-based position `pos`.
inline std::string put(std::string s, std::size_t pos, std::string_view bytes)
{
    s.replace(pos - 1, bytes.size(), bytes);
    return s;
}

inline std::string runner(const Key& key, std::string_view horse)
{
    return put(line(StoreKind::SE, key), 29, horse);
}

// An odds announcement at "mmddhhmm" (bytes 28–35).
inline std::string odds(StoreKind kind, const Key& key, std::string_view announced, char dataKind = '1')
{
    return put(line(kind, key, dataKind), 28, announced);
}

inline std::string withCrLf(std::string s) { return s + "\r\n"; }

} // namespace tidemark::store::testrec
