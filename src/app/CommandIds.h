#pragma once

// Fixed command identifiers of menus, toolbar and the tree's context menu. They key the
// status-line/tooltip texts in the string tables and stay stable across versions.
namespace tqv::cmd {

constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int FileSave = 57603;
constexpr int FileSaveAs = 57604;
constexpr int AppAbout = 57664;
constexpr int AppExit = 57665;
constexpr int AddNode = 32771;
constexpr int DeleteNode = 32772;
constexpr int AddCommand = 32773;
constexpr int DeleteCommand = 32774;
constexpr int SerialConnection = 32775;
constexpr int Upload = 32776;
constexpr int Download = 32777;
constexpr int ConflictDetection = 32779;
constexpr int ExcelOutput = 32780;
constexpr int CtxAddNode = 32781;
constexpr int CtxDeleteNode = 32782;
constexpr int CtxAddCommand = 32783;
constexpr int CtxDeleteCommand = 32784;
constexpr int HelpContent = 32786;
constexpr int Monitor = 32787;
constexpr int EthernetConnection = 32789;
constexpr int CtxCopyNode = 32790;
constexpr int CtxPasteNode = 32791;
constexpr int MappingAddress = 32792;
constexpr int ViewTree = 32793;
constexpr int ViewPrompt = 32794;
constexpr int EditUndo = 57643;
constexpr int EditRedo = 57644;
constexpr int CompareWithGateway = 32800;
constexpr int FileImport = 32801;

// Control identifiers of the panes and their contents.
constexpr int TreePane = 1003;
constexpr int PromptPane = 1010;

} // namespace tqv::cmd
