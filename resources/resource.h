// Resource ids shared by the resource script and the code.
#pragma once

// String table.
#define IDS_MODULE_NAME 2
#define IDS_VERSION     3
