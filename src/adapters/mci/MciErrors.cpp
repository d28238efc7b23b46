#include "MciErrors.h"

namespace wl::mci {

std::string errorMessage(uint32_t code) {
    switch (code) {
    case kOk: return "The command was carried out.";
    case kInvalidDeviceId: return "No device with that identifier is open.";
    case kUnrecognizedKeyword: return "The command holds a word the device does not know.";
    case kUnrecognizedCommand: return "The device layer does not know that command.";
    case kHardware: return "The drive did not do what was asked. Check that it is connected and working.";
    case kInvalidDeviceName: return "No device with that name or alias is open.";
    case kCannotLoadDriver: return "There is no device of that type.";
    case kMissingCommandString: return "The command is empty.";
    case kBadInteger: return "A number in the command is not a valid decimal number.";
    case kMissingParameter: return "The command lacks a value it needs.";
    case kUnsupportedFunction: return "The device cannot carry out that command.";
    case kFileNotFound: return "The file was not found.";
    case kDeviceNotReady: return "The drive is not ready. Check that an audio disc is in it and the tray is closed.";
    case kCannotUseAll: return "That command cannot be sent to all devices.";
    case kOutOfRange: return "A position or value in the command is out of range.";
    case kFlagsNotCompatible: return "The command's options cannot be used together.";
    case kFileNotSaved: return "The recording could not be saved.";
    case kDuplicateAlias: return "That alias is already used by an open device.";
    case kMissingDeviceName: return "The command does not name a device.";
    case kMustUseShareable: return "The CD drive is already open; open it as shareable to use it twice.";
    case kBadTimeFormat: return "That time format is not known. Use tmsf, msf or milliseconds.";
    case kNoClosingQuote: return "A quoted name in the command has no closing quotation mark.";
    case kInvalidFile: return "The file is not a WAV file this device can play.";
    case kNullParameterBlock: return "The command needs a parameter record.";
    case kNewRequiresAlias: return "A new recording device needs an alias.";
    case kFilenameRequired: return "A file name is needed.";
    case kDeviceNotInstalled: return "No CD drive was found on this computer.";
    case kWaveInputUnavailable: return "The sound input could not be opened for recording.";
    case kWaveFormatUnsuitable:
        return "The recording format is not supported: use PCM, 8 or 16 bits, mono or stereo, 4000 to 96000 Hz.";
    case kSaveFolderMissing: return "The recording was not saved: the folder does not exist. It is kept until the device is closed.";
    case kSaveNoPermission: return "The recording was not saved: that folder cannot be written to. It is kept until the device is closed.";
    case kSaveDiskFull: return "The recording was not saved: the disk is full. It is kept until the device is closed.";
    case kSaveWriteFailed: return "The recording was not saved: the file could not be written. It is kept until the device is closed.";
    case kNothingRecorded: return "Nothing has been recorded, so there is nothing to save.";
    case kNoTemporaryFile: return "The recording could not start: no temporary file could be created.";
    case kRecordingTooLong: return "The recording is longer than a WAV file can hold.";
    case kRecordingExists: return "The format cannot change once something has been recorded; close the device first.";
    case kRecordingCut:
        return "The recording was saved, but it is cut short: the disk of the temporary folder filled up while recording.";
    default: return "Unknown device layer error " + std::to_string(code) + ".";
    }
}

}  // namespace wl::mci
