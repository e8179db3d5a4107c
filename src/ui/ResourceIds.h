// Resource, control and command ids of the program's dialogs.
#pragma once

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_MAIN = 102;
constexpr int IDR_MAINFRAME = 128;
constexpr unsigned IDM_ABOUTBOX = 0x0010;
constexpr int ID_HELP = 0xE146;

constexpr int IDC_SERVER_ADDRESS = 1000;
constexpr int IDC_DATABASE_NAME = 1001;
constexpr int IDC_OUTPUT = 1002;
constexpr int IDC_GROUP_ID = 1004;
constexpr int IDC_CONVERT = 1006;
constexpr int IDC_SINGLE_USER = 1011;
constexpr int IDC_MULTIPLE_USER = 1012;
constexpr int IDC_UPLOAD = 1014;
constexpr int IDC_SOLVANE_TO_ORBELLE = 1015;
constexpr int IDC_ORBELLE_TO_SOLVANE = 1016;
constexpr int IDC_CLIENT_ID = 1018;
constexpr int IDC_STATIC = -1;
