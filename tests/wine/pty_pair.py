#!/usr/bin/env python3
"""Two pseudo-terminals joined back to back, for the serial contract under
Wine: what is written on one port is read on the other, as over a null-modem
cable, and the far port runs at the speed the near one was set to (the far
end's only way to see it).

    pty_pair.py <near link> <far link> <request file>

The links (a prefix's dosdevices/comN) point at the pair's slave sides. When
the request file appears, the pair is closed (its ports see a hang-up) and a
fresh one linked in its place; the file is removed once it is there. Runs
until killed."""
import os
import pty
import select
import sys
import termios
import tty


def open_port(link):
    master, slave = pty.openpty()
    tty.setraw(slave)
    os.symlink(os.ttyname(slave), link + ".new")
    os.replace(link + ".new", link)
    return master, slave


def write_all(fd, data):
    while data:
        data = data[os.write(fd, data):]


def main():
    near_link, far_link, request = sys.argv[1:4]
    while True:
        near, near_slave = open_port(near_link)
        far, far_slave = open_port(far_link)
        # Only now, with the fresh pair linked in, does the asker go on.
        if os.path.exists(request):
            os.remove(request)
        peer = {near: far, far: near}
        while not os.path.exists(request):
            ready, _, _ = select.select([near, far], [], [], 0.02)
            for fd in ready:
                write_all(peer[fd], os.read(fd, 4096))
            near_speed = termios.tcgetattr(near_slave)[4:6]
            far_settings = termios.tcgetattr(far_slave)
            if far_settings[4:6] != near_speed:
                far_settings[4:6] = near_speed
                termios.tcsetattr(far_slave, termios.TCSANOW, far_settings)
        for fd in (near, far, near_slave, far_slave):
            os.close(fd)


if __name__ == "__main__":
    main()
