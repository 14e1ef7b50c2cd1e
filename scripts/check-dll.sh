#!/usr/bin/env bash
# Checks what the host's loader sees of tavik.dll: a 32-bit DLL that exports
# exactly the seven entry points under their plain names, and imports nothing
# but Windows system DLLs.
set -euo pipefail
dll=$1
dump=$(i686-w64-mingw32-objdump -p "$dll")
fail=0

grep -q "file format pei-i386" <<<"$(i686-w64-mingw32-objdump -f "$dll")" ||
  { echo "FAIL: $dll is not a 32-bit PE file"; fail=1; }

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^[ \t]*\[/{print $NF} on && /^$/{on=0}' <<<"$dump" | sort)
want=$(printf '%s\n' On_Channel_Change On_Exit On_Filter_Close On_Hot_Key On_Menu_Select \
  On_Send_Dll_ID_Name On_Start | sort)
if [ "$exports" != "$want" ]; then
  echo "FAIL: exports differ"; diff <(echo "$want") <(echo "$exports") || true; fail=1
else
  echo "ok: exports are the seven plain names"
fi

allowed='^(kernel32|user32|gdi32|winmm|comdlg32|gdiplus|ole32|oleaut32|msvcrt|advapi32|shell32|comctl32|msimg32)\.dll$'
imports=$(grep -i "DLL Name:" <<<"$dump" | awk '{print tolower($3)}' | sort -u)
for i in $imports; do
  if ! grep -Eq "$allowed" <<<"$i"; then echo "FAIL: imports $i"; fail=1; fi
done
[ $fail = 0 ] && echo "ok: imports only system DLLs: $(echo $imports)"
echo "size: $(stat -c %s "$dll") bytes"
exit $fail
