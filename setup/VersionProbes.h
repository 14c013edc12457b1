// Windows version probes of the setup helpers. Each is false when GetVersionExA fails.
#pragma once

// Windows XP (5.1) with at least service pack `minSp`, or the x64 edition of Windows XP
// (5.2, AMD64, workstation, not R2).
bool IsWindowsXP(int minSp);
// Windows Server 2003 (5.2, not a workstation).
bool IsWindowsServer2003();
// Windows Vista (6.0).
bool IsWindowsVista();
// The x64 edition of Windows XP (5.2, AMD64, workstation, not R2).
bool IsWindowsXP64();
