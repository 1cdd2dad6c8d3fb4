/* kelvo.h must stand alone as C: compiled with -std=c11 -pedantic, and run
 * against the real library to prove the operations link with C names. */
#include <stdio.h>
#include <string.h>

#include "kelvo.h"

int main(void) {
    char field[4];
    if (!kvCopyText(field, "abcdef", (int)sizeof(field)) || strcmp(field, "abc") != 0) {
        fprintf(stderr, "kvCopyText from C gave \"%s\"\n", field);
        return 1;
    }
    printf("kelvo.h %d.%d links from C\n", KV_VERSION_MAJOR, KV_VERSION_MINOR);
    return 0;
}
