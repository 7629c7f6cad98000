// Resource ids of vesk.exe.
#pragma once

#define IDI_VESK 1
