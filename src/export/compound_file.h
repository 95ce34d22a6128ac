#pragma once
// Writer of the compound file (the OLE2 "structured storage" container of Excel 97 workbooks),
// version 3, little-endian:
//
//   sector -1 (the 512-byte header)
//     0x00  8  signature D0 CF 11 E0 A1 B1 1A E1
//     0x08 16  class id, zero
//     0x18  2  minor version 0x003E          0x1A  2  major version 3
//     0x1C  2  byte order FFFE               0x1E  2  sector shift 9 (512-byte sectors)
//     0x20  2  mini sector shift 6           0x22  6  reserved, zero
//     0x28  4  directory sectors, 0 in v3    0x2C  4  number of FAT sectors
//     0x30  4  first directory sector        0x34  4  transaction signature, 0
//     0x38  4  mini stream cut-off 4096      0x3C  4  first mini FAT sector, ENDOFCHAIN
//     0x40  4  mini FAT sectors, 0           0x44  4  first DIFAT sector or ENDOFCHAIN
//     0x48  4  number of DIFAT sectors       0x4C 436 the first 109 FAT sector numbers (DIFAT)
//   sectors 0..: the streams one after another, each from a fresh sector; then the directory
//   (four 128-byte entries a sector: the root entry, then one per stream); then the FAT (one
//   32-bit next-sector number per sector: chains, FATSECT for FAT sectors, DIFSECT for DIFAT
//   sectors, FREESECT for the rest); then the DIFAT sectors that list the FAT sectors beyond
//   the first 109 (127 numbers and the next DIFAT sector each).
//
//   directory entry: 64 bytes name (UTF-16, NUL-terminated, at most 31 characters), 2 name
//   length in bytes with the NUL, 1 type (5 root, 2 stream), 1 colour (1 black), 4 left
//   sibling, 4 right sibling, 4 child, 16 class id, 4 state, 8 + 8 times, 4 first sector,
//   8 size (upper half zero in v3).
//
// No mini stream is written: every stream must be at least the 4096-byte cut-off long, which
// the workbook writer ensures by padding its stream. The streams sit directly under the root
// in a balanced binary tree ordered as the format orders names (shorter first, then by the
// upper-case code units); every entry is black, which readers accept.
#include <QByteArray>
#include <QString>

#include <vector>

namespace talvena {

struct CompoundStream {
    QString name;    // at most 31 UTF-16 code units
    QByteArray data; // at least kCompoundMiniStreamCutoff bytes
};

inline constexpr qsizetype kCompoundMiniStreamCutoff = 4096;

// The whole file. Throws an Error for a stream that is too short or a name that is too long
// or empty, or streams with the same name.
QByteArray BuildCompoundFile(const std::vector<CompoundStream>& streams);

} // namespace talvena
