#include "handlers/MapRecord.h"

MapRecord& ShownMap() {
    static MapRecord shown;
    return shown;
}
