#pragma once
// The program's string table: resource identifiers and their texts.

namespace fendrix::res {

inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDB_LOGO = 132;  // ":/logo.png"
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_FENDRIX_DIALOG = 102;

inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr char kAboutBoxText[] = "Fendrix Information(&A)...";
inline constexpr int IDP_SOCKETS_INIT_FAILED = 103;
inline constexpr char kSocketsInitFailed[] = "Windows 소켓을 초기화하지 못했습니다.";

// System-menu command that opens the About box.
inline constexpr int IDM_ABOUTBOX = 0x0010;
// Context-menu command of the device list.
inline constexpr int ID_CREATE_UPGRADE_FILE = 20000;

inline constexpr char kLogoResource[] = ":/logo.png";

}  // namespace fendrix::res
