/* Quorvix Transmitter driver: C entry points of the Linux plug-in
 * (libquorvix.so). Hosts and outside tests depend on these; extend them,
 * never change them.
 *
 * Thread: the first qvx_create pins the library to its thread and to the
 * GLib main context that is that thread's default at that moment
 * (g_main_context_ref_thread_default()). The host runs that context on that
 * thread, with its own GLib loop or with qvx_pump. A call from another thread
 * fails with error 5 and a text that says so.
 *
 * Ownership: the helper's context must stay valid until release is called
 * (or until qvx_Term when release is NULL); release also runs when a second
 * Init replaces the helper. Strings passed in are copied. qvx_last_error()
 * is never NULL, UTF-8, valid until the next failure on that thread. A trace
 * line is raw bytes (0x80 to 0xFF included) cut at the first zero byte,
 * valid only during the call; message texts are UTF-8 with their CR LF kept.
 * A NULL driver or result pointer gives error 5; a NULL helper means no
 * helper.
 *
 * Life: the state, the port and the poll timer belong to the library, not to
 * a driver object (a second driver shares them; destroying a driver stops
 * nothing). Unloading the library (dlclose, process exit) closes the port,
 * removes every event source and releases the helper first, so no callback
 * can run into unloaded code.
 *
 * Re-entrancy: any entry point may be called from inside invoke, the trace
 * sink and the message sink. A SetChannel made inside a report does not cut
 * the report loop short (the tick decodes from the reply it already holds);
 * a Term or qvx_destroy inside invoke takes effect safely after the call
 * returns.
 *
 * Error numbers (shared with the Windows build, which returns them as
 * MAKE_HRESULT(1, FACILITY_CONTROL, n)):
 *    5  invalid argument (value outside 0 to 255, NULL argument, wrong thread)
 *    6  overflow
 *    7  out of memory
 *   13  type mismatch (a stored setting that does not convert)
 *   51  internal error (anything else that went wrong inside the call)
 *   75  the settings store cannot be read or written
 *  380  invalid property value (a port number, line settings text or timer
 *       interval that its component rejects)
 * 8002  the port does not exist
 * 8005  the port is already open or in use by another program
 * 8012  the port is not open (a write to a closed port)
 * 8020  the device failed or vanished during a read or write, or a write did
 *       not finish within its time bound
 */
#ifndef QUORVIX_H
#define QUORVIX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int16_t qvx_bool; /* automation boolean: 0 false, -1 true */
typedef struct qvx_driver qvx_driver;
typedef struct qvx_helper {
  void *context;
  /* late-bound call of the host's method `method`:
     0 = done, 438 = the host has no such method, any other value = the call
     failed */
  int (*invoke)(void *context, const char *method, int32_t channel,
                uint8_t value);
  void (*release)(void *context); /* may be NULL; called once when the plug-in
                                     lets go */
} qvx_helper;

qvx_driver *qvx_create(void); /* NULL on failure; see the thread rule above */
void qvx_destroy(qvx_driver *);
int qvx_pump(int timeout_ms); /* for hosts without a GLib loop: run the
                                 plug-in's pending events, waiting up to
                                 timeout_ms for the first one */

/* each returns 0 on success, else the error number; *result is set only on
   success */
int qvx_Disable(qvx_driver *, qvx_bool *result);
int qvx_Enable(qvx_driver *, qvx_bool *result);
int qvx_PluginName(qvx_driver *, const char **result); /* static UTF-8 text */
int qvx_SetChannel(qvx_driver *, int32_t channel, int32_t value,
                   qvx_bool *result);
int qvx_Configure(qvx_driver *, qvx_bool *result);
int qvx_Init(qvx_driver *, const char *CallingAppTitle, const char *MyFilename,
             const qvx_helper *TrovaPluginHelper,
             qvx_bool *result); /* the helper is copied */
int qvx_Term(qvx_driver *, qvx_bool *result);
const char *qvx_last_error(void); /* text of this thread's last failure */

/* The two sinks may be set from any thread at any time; function and context
   change together, and a call of the old sink in progress on the driver's
   thread ends before the setter returns (so its context may be freed then).
   A sink runs on the driver's thread and may call any entry point, but must
   not wait for another thread that is setting a sink. */
typedef void (*qvx_trace_fn)(void *context, const char *line);
void qvx_set_trace(qvx_trace_fn, void *context); /* NULL: back to the default */
typedef void (*qvx_message_fn)(void *context, int is_error, const char *title,
                               const char *text);
void qvx_set_message_box(qvx_message_fn,
                         void *context); /* NULL: back to the default */

/* What a host needs to pace its output and to take DMX input, read without
   changing anything. Available after qvx_Init (error 5 before). Later needs
   get a new entry point; this struct keeps its layout. */
typedef struct qvx_line_status {
  int32_t baud_rate;          /* of the port's line settings: the speed the
                                 line runs at while the port is open */
  qvx_bool dmx_in_active;     /* DMX input on (setting DMXInActive) */
  int32_t dmx_in_channels;    /* input channels polled (DMXInChannels) */
  int32_t dmx_in_interval_ms; /* poll interval (DMXInInterval) */
  qvx_bool transmitter_ready; /* set by a handshake that succeeded, cleared
                                 by one that failed and by Disable */
} qvx_line_status;
int qvx_LineStatus(qvx_driver *, qvx_line_status *result);

/* Names the device of the driver's port (its CommPort, from the settings)
   for this user, and keeps it: the port's link
   $XDG_CONFIG_HOME/quorvix/ports/COM<n> is made to lead to `device`, by its
   /dev/serial/by-id name when udev gave it one, so the same adapter is found
   after a reboot or a replug. Takes effect at the next opening; the device
   need not be present now. Available after qvx_Init (error 5 before).
   *port gets n. Returns 0, 5 for a path that is not absolute, 75 when the
   link cannot be written. */
int qvx_set_port_device(qvx_driver *, const char *device, int32_t *port);

/* Which window Configure opens and where message boxes go while no sink is
   set with qvx_set_message_box (a sink always wins). From any thread, at
   any time; it takes effect at the next dialog or box.
     QVX_UI_AUTO  the default: GTK 3 when the host runs it (a default
                  display is open), else as the environment variable
                  QUORVIX_UI says ("gtk" or "none"), else none
     QVX_UI_GTK   GTK 3, opening the default display if the host did not
                  (the host's locale is left alone)
     QVX_UI_NONE  no window: Configure applies what an untouched dialog
                  would, boxes go to standard error
   GTK is never used when the driver's context (see the thread rule) is not
   g_main_context_default() or another thread runs it, when GTK 2 or GTK 4
   is in the process, or when
   libquorvix-gtk.so is not beside libquorvix.so; one trace line says what
   was chosen and why. The GTK dialog and boxes are modal: they run a
   nested main loop on that context, so the plug-in's events keep running.
   Returns 0, or 5 for another value. */
enum { QVX_UI_AUTO = 0, QVX_UI_GTK = 1, QVX_UI_NONE = 2 };
int qvx_set_ui(int ui);

#ifdef __cplusplus
}
#endif

#endif /* QUORVIX_H */
