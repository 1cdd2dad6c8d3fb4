/* A backend library that lacks one operation, for the loader's failure test. */
#include "kelvo.h"

__attribute__((visibility("default"))) int kvShutdown(void) {
    return 1;
}

__attribute__((visibility("default"))) int kvReadMonitorLine(char* buffer, int size) {
    (void)buffer;
    (void)size;
    return 0;
}
