#pragma once
// The reference for quorvix-sim: standard-input commands and the log
// format. Printed by --help; tests and tools rely on every form below.

#include <string_view>

namespace quorvix::sim {

// After the options in --help; ends without a line break, as GLib adds one.
inline constexpr std::string_view kReference =
    R"(The first line on standard output is "pty <slave path>"; a driver opens that
path (or the --link) as its serial port. Commands are read from standard input,
one per line, unless --commands names another source: a file is read to its
end (the simulator then runs on until quit or a stop signal), a FIFO for as
long as the simulator runs (writers may come and go); answers still go to
standard output. With --background the simulator detaches once the
pseudo-terminal and the --link are there, prints only its process id and runs
on without standard input or output (commands only from --commands, answers
dropped) until quit or SIGTERM.

The line, as the transmitter understands it (bytes from the driver):
  FF lo hi 01 value 00  channel frame: channel ((hi & 7F) << 8 | lo) + 1 gets
                        value; channels outside 1..512 are counted, ignored
  63 3F ("c?")          handshake: answered with "G" (see reply-handshake)
  FC 00 00 n            DMX-In: answered with input channels 1..n, one byte
                        each, then the trailing byte (00 unless changed)
  49 ("I"), 53 ("S")    answered with a short information / setup text
  anything else         logged as unknown, ignored
  A frame or request with a wrong fixed byte is logged as malformed; bytes
  are then skipped up to the next FF.

Commands (each answers exactly one line, "ok ..." or "error <reason>"; blank
lines and lines starting with # are ignored without an answer):
  in CH VALUE             set input channel CH (1..512) to VALUE (0..255);
                          stops a ramp on CH              -> ok in CH VALUE
  in CH                   show an input channel           -> ok in CH VALUE
  ramp CH FROM TO STEP_MS input CH takes FROM now, then moves one step
                          towards TO every STEP_MS (1..3600000) ms
                                                  -> ok ramp CH FROM TO STEP_MS
  out CH                  show an output channel          -> ok out CH VALUE
  dump                    non-zero output channels -> ok dump CH=VALUE ...
  stats                   counters -> ok stats frames=N frames-ignored=N
                          handshakes=N dmxin-requests=N info=N setup=N
                          unknown=N malformed=N discarded=N rx-bytes=N
                          tx-bytes=N flood-bytes=N dropped=N
  silent on|off           answer nothing at all           -> ok silent on|off
  reply-handshake TEXT    answer "c?" with TEXT: the rest of the line, with
                          escapes \r \n \t \0 \\ \xHH; "default" gives "G"
                                                  -> ok reply-handshake <hex>
  trailer HH              trailing byte of DMX-In replies -> ok trailer HH
  split on [GAP_MS]|off   write replies one byte at a time, at least GAP_MS
                          (default 2) apart       -> ok split on GAP_MS | off
  baud N|off              run the line at N baud, 10 bits a byte, both ways:
                          a reply byte is written, and a received byte taken,
                          no earlier than the line would have carried it
                                                  -> ok baud N | ok baud off
  baud auto               the same at the speed the driver last set on the
                          port (checked at each read and reply; 0 = a speed
                          termios cannot name = unpaced) -> ok baud auto N
  flood on|off            send 55 55 55 ... for as long as the pty takes it
                                                  -> ok flood on|off
  vanish                  close the pseudo-terminal and remove the --link: the
                          device is gone (the driver sees a hang-up);
                          commands still work
                                                  -> ok vanish
  replug [reset]          the device comes back: a fresh pseudo-terminal (the
                          old one vanishes first if it is still there), the
                          --link pointed at it; output universe, inputs and
                          counters stay, but "reset" empties the output
                          universe as a power cycle does -> ok replug PATH
  quit                    end (also end of input, SIGINT, SIGTERM, SIGHUP)
                                                  -> ok quit
Before a command runs, everything the driver has already written is read and
handled (unless the line is paced), so "out" and "dump" after a driver's
write see its frames.

Log (--log FILE), one line per event, "<time> <event>", <time> being
CLOCK_MONOTONIC in microseconds (comparable with other processes' clocks):
  start pty PATH          at start
  rx HEX                  bytes as read from the line ("FF 04 00 01 C8 00")
  frame CH VALUE          a channel frame for channel 1..512
  frame-ignored CH VALUE  a channel frame for any other channel
  handshake | info | setup | dmxin-request N   a request
  unknown HH              a byte that starts no request
  malformed HEX           the bytes of a broken frame or request
  discard HEX             bytes skipped while looking for the next FF
  reply KIND HEX          the whole reply to a request, when it is queued
                          (KIND: handshake, dmxin, info, setup); a DMX-In
                          reply holds input channels 1..n, then the trailer
  silent KIND             a reply withheld because silent is on
  dropped N               reply bytes dropped: the outgoing queue was full
  tx HEX                  reply bytes as written to the line (a reply may be
                          written in several pieces: split, baud, a full pty)
  flood N                 N flood bytes written
  line-speed N            baud auto: the port's speed changed to N
  input CH VALUE          an input channel changed (in, or a ramp step)
  cmd LINE                a command line as received
  vanish                  the pseudo-terminal was closed
  replug pty PATH         a fresh pseudo-terminal
  exit                    clean end)";

}  // namespace quorvix::sim
