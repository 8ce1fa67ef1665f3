#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <QByteArray>

#include "device/CommandTable.h"
#include "device/CommandWord.h"
#include "device/Transport.h"

// The one exchange primitive: write the request, and only after a complete
// write read the reply. A reply that does not arrive in full is missing: false
// is returned and `reply` is left as it was.
bool Exchange(Transport& port, CommandWord word, std::span<std::uint8_t> reply);

// A setting command: word plus int32 payload as one 8-byte write (4 bytes, no
// payload, for CMD_STORE_DARK), then the 2-byte acknowledgement (not examined).
bool SendSetting(Transport& port, CommandWord word, std::int32_t value);
bool SendStoreDark(Transport& port);

// Typed reads. On a missing reply the value is left as it was and false returned.
bool ReadInt32(Transport& port, CommandWord word, std::int32_t& value);
bool ReadFloat(Transport& port, CommandWord word, float& value);
// 16- or 32-byte text field (size from the word): the text before the first
// NUL, at most the field; empty when the reply is missing.
QByteArray ReadText(Transport& port, CommandWord word);

// Table reads (codes 0x0C..0x0F): one whole exchange, or 64-byte pages when
// bridged. `out` (at least tableBytes long) receives tableBytes bytes. Once a
// page is lost the rest of the transfer is skipped (a silent device costs one
// timeout, not 32) and false is returned; `out` is then left as it was.
// A paged spectrum is always SPECTRUM_PAGES pages (2044 bytes) whatever
// tableBytes is; only the first tableBytes of it are placed in `out`.
bool ReadTable(Transport& port, std::uint8_t code, std::size_t tableBytes, bool bridged,
               std::span<std::uint8_t> out);

// Exchanges a paged transfer of the table takes: 32 for the spectrum, else the
// table size divided by 64, rounded down.
std::size_t PageCount(std::uint8_t code, std::size_t tableBytes);
