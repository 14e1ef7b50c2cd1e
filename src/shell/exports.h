// The host's entry points into the plug-in.
#pragma once

#include "platform/host_interface.h"
#include "platform/win32.h"

extern "C" {
void On_Start(void* mdInstance, win32::Wnd mdWnd, int logSet, int dllId, char* myHotKey,
              char* apiVersion, int* res);
void On_Send_Dll_ID_Name(char* name);
void On_Channel_Change(host::TProgram82 chan);
void On_Menu_Select(unsigned menuId);
void On_Hot_Key();
void On_Filter_Close(unsigned filterOffset);
void On_Exit(void* mdInstance, win32::Wnd mdWnd, int logSet);
}
