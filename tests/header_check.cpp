// A C++ host that includes only the public header.
#include "w32korutil1.h"

int w32k_header_check_cpp();

int w32k_header_check_cpp()
{
    return static_cast<int>(sizeof(void*));
}
