"""The programs the GUI suite runs as a user would: the application server on a database of its own
and the host on the suite's desktop."""

import json
import os
import re
import signal
import subprocess

from desktop import WAIT_SECONDS


class AppServer:
    """appserver on a fresh SQLite database and a free loopback port."""

    def __init__(self, executable, directory):
        self._executable = executable
        self.database = f"sqlite:{os.path.join(directory, 'translations.sqlite')}"
        # The server prints in the user's language; the suite reads its English.
        self._environment = dict(os.environ, LC_ALL="C.UTF-8")
        self._environment.pop("LANGUAGE", None)
        self._process = subprocess.Popen(
            [executable, "--database", self.database, "--listen", "127.0.0.1:0"],
            env=self._environment, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        announced = self._process.stdout.readline()
        found = re.search(r"listening on (\S+)", announced)
        if not found:
            self.stop()
            raise RuntimeError(f"appserver did not start: {announced!r}")
        self.address = found.group(1)

    def rows(self):
        """The stored translation rows, through the server's own export command."""
        exported = subprocess.run(
            [self._executable, "export", "--format", "json", "--database", self.database],
            check=True, capture_output=True, text=True, timeout=WAIT_SECONDS)
        return json.loads(exported.stdout)

    def stop(self):
        if self._process.poll() is None:
            self._process.send_signal(signal.SIGTERM)
            self._process.wait(timeout=WAIT_SECONDS)
        self._process.stdout.close()


class Host:
    """vdrhost on the desktop, using the given server, with settings in a home of its own; locale
    names the user's locale (LANG), which the windows must not follow."""

    def __init__(self, executable, desktop, server_address, home, log_path, locale="C.UTF-8"):
        self._log = open(log_path, "w")
        environment = desktop.environment(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                                          XDG_RUNTIME_DIR=home, LANG=locale)
        for name in ("LC_ALL", "LC_MESSAGES", "LANGUAGE"):
            environment.pop(name, None)
        self._process = subprocess.Popen([executable, "--server", server_address], env=environment,
                                         stdout=self._log, stderr=subprocess.STDOUT)

    def exit_code(self, timeout=WAIT_SECONDS):
        try:
            return self._process.wait(timeout=timeout)
        finally:
            self._log.close()

    def kill(self):
        if self._process.poll() is None:
            self._process.kill()
            self._process.wait()
        self._log.close()
