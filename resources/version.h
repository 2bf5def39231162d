// Tovrel's version and the words that go with it, kept only here: the C++ code, tovrel.rc,
// CMake (the manifest) and the scripts (file names, the window title) all read this file.
// Plain macros, because the resource compiler understands only the preprocessor; CMake and
// the scripts read the "#define NAME value" lines, so keep that form.
#pragma once

#define TOVREL_VERSION_MAJOR 0
#define TOVREL_VERSION_MINOR 0
#define TOVREL_VERSION_PATCH 1
#define TOVREL_VERSION_STAGE "Beta"

#define TOVREL_PRODUCT_NAME "Tovrel"
#define TOVREL_COPYRIGHT "Copyright (c) 2026 The Tovrel authors"

#define TOVREL_STRINGIZE_(x) #x
#define TOVREL_STRINGIZE(x) TOVREL_STRINGIZE_(x)

// "0.0.1"
#define TOVREL_VERSION                                                                        \
  TOVREL_STRINGIZE(TOVREL_VERSION_MAJOR) "." TOVREL_STRINGIZE(TOVREL_VERSION_MINOR) "." \
      TOVREL_STRINGIZE(TOVREL_VERSION_PATCH)
// "Beta 0.0.1": how the window and the file's properties show the version.
#define TOVREL_VERSION_LABEL TOVREL_VERSION_STAGE " " TOVREL_VERSION

// The UTF-16 form of narrow ASCII literals: u"" makes the whole concatenation char16_t.
#define TOVREL_U(s) u"" s
