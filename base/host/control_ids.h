#pragma once
// Numeric IDs of the main dialog's controls and menu commands. The core
// addresses the dialog through these, as the widgets and tests do.
namespace bv {

enum ControlId : int {
  IDC_VIDEO_AREA = 1001,
  IDC_POSITION_SLIDER = 1002,
  IDC_PAUSE = 1003,
  IDC_PLAY_BACKWARD = 1004,
  IDC_STOP = 1005,
  IDC_SPEED_SLIDER = 1006,
  IDC_STEP_FORWARD = 1007,
  IDC_STEP_BACKWARD = 1008,
  IDC_LAST_RECORD = 1009,
  IDC_FIRST_RECORD = 1010,
  IDC_PLAY_FORWARD = 1012,
  IDC_FRAME = 1015,
  IDC_CAMERA_TITLE = 1016,
  IDC_LOCATION = 1017,
  IDC_CODEC_NAME = 1018,
  IDC_PICTURE_SIZE = 1019,
  IDC_HIDDEN_EDIT = 1020,
  IDC_OPEN = 1021,
  IDC_SAVE_SNAPSHOT = 1022,
  IDC_PRINT = 1023,
  IDC_STRIP = 1026,
};

enum MenuCommandId : int {
  ID_FILE_OPEN = 32771,
  ID_FILE_EXIT = 32772,
  ID_OPTION_OVERLAY = 32773,
  ID_FILE_SHOW_INFORMATION = 32774,
  ID_SHOW_CAM_NUMBER = 32780,
  ID_SHOW_IMAGE_SIZE = 32781,
  ID_SHOW_DATE_TIME = 32782,
  // The Playback menu: keyboard shortcuts for the playback buttons.
  ID_PLAYBACK_PLAY_PAUSE = 33001,
  ID_PLAYBACK_STEP_FORWARD = 33002,
  ID_PLAYBACK_STEP_BACKWARD = 33003,
  ID_PLAYBACK_FIRST = 33004,
  ID_PLAYBACK_LAST = 33005,
  ID_PLAYBACK_SNAPSHOT = 33006,
  ID_PLAYBACK_PRINT = 33007,
  // File > "&Export...": the open backup as a standard video file.
  ID_FILE_EXPORT = 33020,
  // File > "Export for &Presentation..." and "Evidence &Report...".
  ID_FILE_EXPORT_PRESENTATION = 33021,
  ID_FILE_EVIDENCE_REPORT = 33022,
  // The Go menu: finding a moment of the backup.
  ID_GO_TO_TIME = 33040,
  ID_GO_MARK_IN = 33041,
  ID_GO_MARK_OUT = 33042,
  ID_GO_CLEAR_MARKS = 33043,
  ID_GO_EVENTS = 33044,
};

// The system's fixed message texts.
inline constexpr const char* kFileError = "File Error #1";
inline constexpr const char* kSaveError = "Save Error #1";
inline constexpr const char* kPrintError = "Print Error #1";
inline constexpr const char* kSoundDeviceError = "Cannot Open Sound Device!";
inline constexpr const char* kApplicationTitle = "Backup Viewer";

}  // namespace bv
