# SPDX-License-Identifier: GPL-3.0-or-later
# The hardening Debian builds its own programs with (dpkg-buildflags with hardening=+all): a stack
# protector and stack clash checks, control-flow protection, checked string and memory functions, and a
# global offset table that is made read-only once every symbol is bound at start. Flags the compiler
# does not know on this architecture are left out. Not with the sanitizers, which replace the same
# functions and checks.
include(CheckCXXCompilerFlag)
foreach(flag IN ITEMS -fstack-protector-strong -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "VANTREL_HAS${flag}" known)
  check_cxx_compiler_flag(${flag} ${known})
  if(${known})
    add_compile_options(${flag})
  endif()
endforeach()
# The checked functions need optimisation; an unoptimised build would only warn about it.
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
add_link_options(LINKER:-z,relro LINKER:-z,now)
# Each program needs only the shared libraries it uses: the quote server links the quotes library, which
# sits on the toolkit one, but it must not depend on the widget or sound libraries.
add_link_options(LINKER:--as-needed)
