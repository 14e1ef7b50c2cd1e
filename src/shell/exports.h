// The host's entry points into the plug-in, declared with the types of the
// host's interface (platform/host_interface.h), where their signatures live.
#pragma once

#include "platform/host_interface.h"

extern "C" {
host::OnStart On_Start;
host::OnSendDllIdName On_Send_Dll_ID_Name;
host::OnChannelChange On_Channel_Change;
host::OnMenuSelect On_Menu_Select;
host::OnHotKey On_Hot_Key;
host::OnFilterClose On_Filter_Close;
host::OnExit On_Exit;
}
