// Resource identifiers shared by tovrel.rc and the C++ code; plain macros because the
// resource compiler understands only the preprocessor.
#pragma once

#define IDI_TOVREL 1
