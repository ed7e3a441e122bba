// Resource identifiers of Plinthar.
#pragma once

#define IDS_PRODUCT_NAME 1  // the kit's own name, compared with the record's AppName
#define IDS_AUTHOR_NAME 2   // author of the kit, used when the file has no record
