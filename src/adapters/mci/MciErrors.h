#pragma once
// Error codes of the device layer, numbered as the multimedia system numbers them where it
// has a number, with texts of our own. Codes from 512 are ours (reasons a save failed).
#include <cstdint>
#include <string>

namespace wl::mci {

enum : uint32_t {
    kOk = 0,
    kInvalidDeviceId = 257,
    kUnrecognizedKeyword = 259,
    kUnrecognizedCommand = 261,
    kHardware = 262,
    kInvalidDeviceName = 263,
    kCannotLoadDriver = 266,
    kMissingCommandString = 267,
    kBadInteger = 270,
    kMissingParameter = 273,
    kUnsupportedFunction = 274,
    kFileNotFound = 275,
    kDeviceNotReady = 276,
    kCannotUseAll = 279,
    kOutOfRange = 282,
    kFlagsNotCompatible = 284,
    kFileNotSaved = 286,
    kDuplicateAlias = 289,
    kMissingDeviceName = 292,
    kMustUseShareable = 291,
    kBadTimeFormat = 293,
    kNoClosingQuote = 294,
    kInvalidFile = 296,
    kNullParameterBlock = 297,
    kNewRequiresAlias = 299,
    kFilenameRequired = 304,
    kDeviceNotInstalled = 306,
    kWaveInputUnavailable = 328,
    kWaveFormatUnsuitable = 329,
    kSaveFolderMissing = 512,
    kSaveNoPermission = 513,
    kSaveDiskFull = 514,
    kSaveWriteFailed = 515,
    kNothingRecorded = 516,
    kNoTemporaryFile = 517,
    kRecordingTooLong = 518,
    kRecordingExists = 519,
    kRecordingCut = 520,
};

// The text for a code; an unknown code gets a text that names it.
std::string errorMessage(uint32_t code);

}  // namespace wl::mci
