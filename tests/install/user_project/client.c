/* What a user's own host does with the installed library: enables the
   driver, sets one channel and disables it again. Usage: client CHANNEL VALUE
   (settings from $XDG_CONFIG_HOME/quorvix/Install Test.ini). */
#include <stdio.h>
#include <stdlib.h>

#include <quorvix.h>

static int check(int error, qvx_driver *driver, const char *call) {
  if (error != 0) {
    fprintf(stderr, "%s failed: %d %s\n", call, error, qvx_last_error());
  }
  return error;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s CHANNEL VALUE\n", argv[0]);
    return 2;
  }
  qvx_driver *const driver = qvx_create();
  if (driver == NULL) return 1;
  qvx_bool result = 0;
  int failed = check(qvx_Init(driver, "Install Test", "libquorvix.so", NULL,
                              &result), driver, "Init") ||
               check(qvx_Enable(driver, &result), driver, "Enable");
  if (!failed && result == 0) {
    fprintf(stderr, "Enable answered False\n");
    failed = 1;
  }
  if (!failed) {
    failed = check(qvx_SetChannel(driver, atoi(argv[1]), atoi(argv[2]),
                                  &result), driver, "SetChannel") ||
             check(qvx_Disable(driver, &result), driver, "Disable");
  }
  check(qvx_Term(driver, &result), driver, "Term");
  qvx_destroy(driver);
  return failed ? 1 : 0;
}
