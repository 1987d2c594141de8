/* A module planted in a host's working folder under the GTK module's name:
   it leaves a mark the moment it is loaded, before anyone calls into it. */
#include <stdio.h>
#include <stdlib.h>

__attribute__((constructor)) static void leave_mark(void) {
  const char *const marker = getenv("QUORVIX_PLANTED_MARKER");
  if (marker == NULL) return;
  FILE *const file = fopen(marker, "w");
  if (file != NULL) fclose(file);
}
