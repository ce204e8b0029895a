// man_page.h - the vxf(1) manual page, made from the command table so that it lists every command as it is.
#pragma once

#include <cstdio>

namespace vxf::cli {

void printManPage(std::FILE* out);

}  // namespace vxf::cli
