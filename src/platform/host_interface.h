// The host's plug-in interface: the plug-in's seven exports, the command codes
// sent to the host's main window and the binary records exchanged with it.
// Layouts are fixed by the host; every offset is checked at compile time. The
// plug-in declares its exports from here (shell/exports.h); the hosts of the
// tests include it too (tests/hostkit/).
#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

constexpr uint32_t kWmUser = 0x0400;
constexpr uint32_t kCmdStartFilter = 0x01020020;  // lParam: EitFilterRequest*
constexpr uint32_t kCmdStopFilter = 0x01020021;   // lParam: the filter handle itself
constexpr uint32_t kCmdSignalQuery = 0x01022001;  // lParam: SignalReply*

constexpr uint16_t kEitPid = 0x0012;
constexpr uint16_t kEitFilterId = 1;
constexpr int kUnitSize = 184;  // one transport packet payload per delivered unit

// Menu of the "EXTERN" resource (language 1000).
constexpr unsigned kMenuSettings = 44454;
constexpr unsigned kMenuAbout = 44455;
constexpr unsigned kMenuEpg = 44456;
constexpr unsigned kMenuLanguage = 1000;

// The host's channel record: 868 bytes passed by value. Only five fields are
// read; the rest belongs to the host and stays opaque.
struct TProgram82 {
  uint8_t bytes[868];
};
static_assert(sizeof(TProgram82) == 868, "channel record is 868 bytes");

constexpr size_t kNameOffset = 0;
constexpr size_t kNameField = 92;  // the name may run up to the frequency field
constexpr size_t kFrequencyOffset = 92;
constexpr size_t kPolarityOffset = 97;
constexpr size_t kServiceIdOffset = 122;
constexpr size_t kCaSystemOffset = 128;

#pragma pack(push, 1)
// The section filter request sent with kCmdStartFilter.
struct EitFilterRequest {
  uint16_t dllId;
  uint16_t filterId;
  uint16_t pid;
  char filterName[34];
  uint32_t dataRoutine;  // 32-bit address of the cdecl data callback
  int32_t handle;        // written by the host before SendMessage returns
};
#pragma pack(pop)
static_assert(sizeof(EitFilterRequest) == 48, "filter request is 48 bytes");
static_assert(offsetof(EitFilterRequest, dllId) == 0, "dllId at 0");
static_assert(offsetof(EitFilterRequest, filterId) == 2, "filterId at 2");
static_assert(offsetof(EitFilterRequest, pid) == 4, "pid at 4");
static_assert(offsetof(EitFilterRequest, filterName) == 6, "name at 6");
static_assert(offsetof(EitFilterRequest, dataRoutine) == 40, "routine at 40");
static_assert(offsetof(EitFilterRequest, handle) == 44, "handle at 44");

// The signal reply filled by the host on kCmdSignalQuery.
#pragma pack(push, 1)
struct SignalReply {
  int32_t reserved0;
  int32_t quality;  // 0..100
  int32_t reserved8;
};
#pragma pack(pop)
static_assert(sizeof(SignalReply) == 12, "signal reply is 12 bytes");
static_assert(offsetof(SignalReply, quality) == 4, "quality at 4");

// The data callback the host calls with filter data (cdecl).
using DataCallback = void (*)(int filterId, int length, const uint8_t* buffer);

// The seven exports, as function types: the plug-in exports functions of
// these types under the names beside them (plain C names, cdecl), and a host
// finds them by those names and calls them through pointers to these types.
// mdInstance and mdWnd are the host's module and main window.
using OnStart = void(void* mdInstance, void* mdWnd, int logSet, int dllId, char* myHotKey,
                     char* apiVersion, int* res);                    // On_Start
using OnSendDllIdName = void(char* name);                            // On_Send_Dll_ID_Name
using OnChannelChange = void(TProgram82 chan);                       // On_Channel_Change
using OnMenuSelect = void(unsigned menuId);                          // On_Menu_Select
using OnHotKey = void();                                             // On_Hot_Key
using OnFilterClose = void(unsigned filterOffset);                   // On_Filter_Close
using OnExit = void(void* mdInstance, void* mdWnd, int logSet);      // On_Exit

}  // namespace host
