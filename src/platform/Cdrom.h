#pragma once
// Port: the CD-ROM access library. Six calls over fixed byte layouts.
//
// Contract, both sides:
// - Every call accepts handle 0 and then fails (returns 0 / does nothing). A closed handle
//   is never handed out again by the same library instance.
// - Byte layouts are exactly those below; integers little-endian unless said otherwise.
// - The library never writes past the sizes given here, and ReadCDAudioLBA never writes
//   more than the smaller of the buffer's declared capacity and its real size.
// - Calls may come from several threads at once (the device layer reads audio on its clock
//   thread while the program reads tables of contents on the window's thread): an
//   implementation serialises them, each call running whole before the next starts. A
//   handle closed by one thread makes the other thread's later calls on it fail.
#include <cstddef>
#include <cstdint>

#include "platform/Bytes.h"

namespace wl {

using CdHandle = uint32_t;  // 0 = none

// CdDriveList: byte 1 the number of drives; from byte 2, eight CdDriveEntry of 121 bytes.
constexpr size_t kDriveListSize = 970;
constexpr size_t kDriveEntryOffset = 2;
constexpr size_t kDriveEntrySize = 121;
constexpr size_t kMaxDrives = 8;
// CdDriveEntry: byte 0 host adapter, 1 target, 2 logical unit; from byte 78 a zero-terminated name.
constexpr size_t kDriveNameOffset = 78;
constexpr size_t kDriveNameCapacity = kDriveEntrySize - kDriveNameOffset;  // 43, terminator included

inline uint8_t* driveEntry(uint8_t* list, size_t i) { return list + kDriveEntryOffset + i * kDriveEntrySize; }
inline const uint8_t* driveEntry(const uint8_t* list, size_t i) {
    return list + kDriveEntryOffset + i * kDriveEntrySize;
}

// CdHandleRequest, 12 bytes: [0]=12, [1]=1, [2..4] ha/tgt/lun, [5] read method 0..8, [6..11] zero.
constexpr size_t kHandleRequestSize = 12;

// Table of contents, 804 bytes, SCSI READ TOC format 0: [0..1] big-endian data length,
// [2] first track, [3] last track, then 100 entries of 8 bytes from byte 4. Entry k is
// track k + 1; the entry after the last track is the lead-out. Entry bytes: [1] ADR/control,
// [2] track number, [4..7] address: MSF form [5] minutes [6] seconds [7] frames, block form
// 32-bit big-endian.
constexpr size_t kTocSize = 804;
constexpr size_t kTocEntryOffset = 4;
constexpr size_t kTocEntrySize = 8;
constexpr size_t kTocMaxEntries = 100;
inline uint8_t* tocEntry(uint8_t* toc, size_t k) { return toc + kTocEntryOffset + k * kTocEntrySize; }
inline const uint8_t* tocEntry(const uint8_t* toc, size_t k) { return toc + kTocEntryOffset + k * kTocEntrySize; }
constexpr uint8_t kLeadOutTrack = 0xAA;

// CdReadBuffer: six unsigned 32-bit little-endian fields, then the data area.
constexpr size_t kReadBufStartFrame = 0;
constexpr size_t kReadBufFrameCount = 4;
constexpr size_t kReadBufCapacity = 8;   // bytes of the data area
constexpr size_t kReadBufLength = 12;    // audio bytes returned
constexpr size_t kReadBufStatus = 16;    // not read by the program
constexpr size_t kReadBufOffset = 20;    // of the audio within the data area
constexpr size_t kReadBufHeaderSize = 24;
constexpr size_t kCdFrameBytes = 2352;

constexpr int kCdParmAddressing = 36;  // ModifyCDParms: value 1 = MSF addresses, 0 = block

class Cdrom {
public:
    virtual ~Cdrom() = default;
    // Clears nothing itself; fills the count (byte 1) and up to 8 entries.
    virtual void GetCDList(uint8_t (&list)[kDriveListSize]) = 0;
    // Returns 0 on any failure (unknown drive, refused read method, unreadable medium).
    virtual CdHandle GetCDHandle(const uint8_t (&request)[kHandleRequestSize]) = 0;
    virtual void CloseCDHandle(CdHandle handle) = 0;
    virtual void ModifyCDParms(CdHandle handle, int which, uint32_t value) = 0;
    // 1 = success. Addresses in the form ModifyCDParms last chose for this handle (block
    // form until it is called).
    virtual int ReadTOC(CdHandle handle, uint8_t (&toc)[kTocSize]) = 0;
    // buffer: header (24 bytes) + data area; bufferSize is the whole buffer's real size.
    // Reads frame count frames from start frame (block numbers, 0-based); 1 = success, with
    // length and offset filled. Out-of-range or unreadable frames fail.
    virtual int ReadCDAudioLBA(CdHandle handle, uint8_t* buffer, size_t bufferSize) = 0;
};

}  // namespace wl
