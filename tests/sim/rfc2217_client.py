# kov-sim's RFC 2217 server as pyserial's client meets it: the controller
# answers only at 9600 8N1 without handshake, the modem lines read, a second
# client is turned away, and a connection never inherits a half line.
import socket
import subprocess
import sys
import unittest

import serial.rfc2217

SIM = sys.argv.pop(1)


class Rfc2217Server(unittest.TestCase):
    def setUp(self):
        sim = subprocess.Popen([SIM, "--tcp", "127.0.0.1:0", "--rfc2217"], stdout=subprocess.PIPE)
        self.addCleanup(sim.wait, 5)
        self.addCleanup(sim.terminate)
        self.url = sim.stdout.readline().decode().strip()

    def open(self):
        port = serial.rfc2217.Serial(self.url + "?timeout=1", timeout=0.2)
        self.addCleanup(port.close)
        return port

    def ask(self, port):
        port.write(b"0CM6\r\n")
        return port.read_until(b"\r\n")

    def test_line_settings(self):
        port = self.open()
        self.assertEqual(self.ask(port), b"0CM6\r\n")
        self.assertEqual((port.cts, port.dsr, port.cd, port.ri), (True, True, True, False))
        for name, other in [("baudrate", 19200), ("parity", "E"), ("bytesize", 7), ("stopbits", 2),
                            ("rtscts", True), ("xonxoff", True)]:
            with self.subTest(name):
                right = getattr(port, name)
                setattr(port, name, other)  # raises unless the server confirms
                self.assertEqual(self.ask(port), b"")
                setattr(port, name, right)
                self.assertEqual(self.ask(port), b"0CM6\r\n")

    def test_one_client_each_from_a_clean_line(self):
        host, port_no = self.url.removeprefix("rfc2217://").rsplit(":", 1)
        with socket.create_connection((host, int(port_no))) as first:
            first.sendall(b"0R")  # and gone before the line ends
        port = self.open()
        with socket.create_connection((host, int(port_no)), timeout=1) as second:
            told = b""
            while chunk := second.recv(100):
                told += chunk
        self.assertTrue(told.startswith(b"\xff") and told.endswith(b"Port already in use\r\n"), told)
        self.assertEqual(self.ask(port), b"0CM6\r\n")


unittest.main()
