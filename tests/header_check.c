/* A C host that includes only the public header: records, callbacks and
 * prototypes must compile cleanly as C. */
#include "w32korutil1.h"

int w32k_header_check_c(void);

int w32k_header_check_c(void)
{
    return (int)sizeof(void *);
}
