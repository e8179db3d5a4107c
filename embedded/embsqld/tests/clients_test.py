#!/usr/bin/python3
"""The real SQL Server client stack against embsqld: FreeTDS's tsql, freebcp
and bsqldb, pyodbc over tdsodbc, unixODBC's isql, and python-tds, each on a
server of its own on 127.0.0.1 at a free port, over a temporary data folder.
Also what a broken or hostile client does to the server (nothing).

Run one group: clients_test.py TsqlTest (STO_BUILD_DIR names the build tree).
"""
import os
import signal
import socket
import struct
import subprocess
import tempfile
import threading
import time
import unittest

BUILD = os.environ.get("STO_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../../build"))
EMBSQLD = os.path.join(BUILD, "bin", "embsqld")
ADMIN = os.path.join(BUILD, "bin", "embsql-admin")
TDSODBC = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"
LOGIN, PASSWORD = "u1", "pw"


class Server:
    """embsqld on a data folder of its own: SRV1/DB1 with the dealer schema,
    demo data and login u1 (an administrator), a freetds.conf naming it EMB,
    and unixODBC files naming the FreeTDS driver and the data source EMBDSN."""

    def __init__(self, *args, groups=5, clients=8, extra_tables=()):
        self.dir = tempfile.mkdtemp(prefix="embsqld-test-")
        self.data = os.path.join(self.dir, "data")
        env = dict(os.environ, EMBSQL_DATA_DIR=self.data)
        subprocess.run([ADMIN, "setup", "SRV1", "DB1", LOGIN, PASSWORD, "--groups", str(groups),
                        "--clients", str(clients)], env=env, check=True, capture_output=True)
        # These tests work the server's whole statement set, not only the
        # program's: their login may do everything.
        subprocess.run([ADMIN, "login", "SRV1", "DB1", LOGIN, PASSWORD, "--role", "admin"],
                       env=env, check=True, capture_output=True)
        db = os.path.join(self.data, "srv1", "db1.sqlite")
        for ddl in extra_tables:
            subprocess.run(["sqlite3", db, ddl], check=True)
        self.log = os.path.join(self.dir, "embsqld.log")
        self.proc = subprocess.Popen(
            [EMBSQLD, "--listen", "127.0.0.1:0", "--data-dir", self.data, "--log", self.log]
            + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        if not line.startswith("ready on "):
            self.proc.kill()
            raise RuntimeError("embsqld did not start: " + line + self.proc.stderr.read())
        self.port = int(line.strip().rsplit(":", 1)[1])
        self.freetds_conf = os.path.join(self.dir, "freetds.conf")
        with open(self.freetds_conf, "w") as f:
            f.write("[global]\n\ttds version = 7.4\n[EMB]\n\thost = 127.0.0.1\n"
                    "\tport = %d\n" % self.port)
        with open(os.path.join(self.dir, "odbcinst.ini"), "w") as f:
            f.write("[FreeTDS]\nDriver = %s\n" % TDSODBC)
        self.odbc_ini = os.path.join(self.dir, "odbc.ini")
        with open(self.odbc_ini, "w") as f:
            f.write("[EMBDSN]\nDriver = FreeTDS\nServer = 127.0.0.1\nPort = %d\n"
                    "TDS_Version = 7.4\nDatabase = DB1\n" % self.port)
        self.env = dict(os.environ, FREETDSCONF=self.freetds_conf, ODBCSYSINI=self.dir,
                        ODBCINI=self.odbc_ini, EMBSQL_DATA_DIR=self.data)
        # pyodbc reads unixODBC's configuration from this process's environment.
        os.environ["ODBCSYSINI"] = self.dir
        os.environ["ODBCINI"] = self.odbc_ini

    def connection_string(self, **extra):
        keys = dict(DRIVER="{FreeTDS}", SERVER="127.0.0.1", PORT=self.port, TDS_Version="7.4",
                    UID=LOGIN, PWD=PASSWORD, DATABASE="DB1")
        keys.update(extra)
        return ";".join("%s=%s" % kv for kv in keys.items())

    def connect(self, autocommit=True, **extra):
        import pyodbc
        return pyodbc.connect(self.connection_string(**extra), autocommit=autocommit)

    def run(self, args, stdin=None, timeout=120):
        return subprocess.run(args, input=stdin, env=self.env, capture_output=True, text=True,
                              timeout=timeout)

    def log_text(self):
        with open(self.log, errors="replace") as f:
            return f.read()

    def stop_keeping_log(self):
        """Stops the server with SIGTERM; returns its exit status. Its log is
        kept in final_log."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=60)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.stderr = self.proc.stderr.read()
        self.proc.stdout.close()
        self.proc.stderr.close()
        self.final_log = self.log_text()
        subprocess.run(["rm", "-rf", self.dir])
        return self.proc.returncode


class ServerTestCase(unittest.TestCase):
    server_args = ()
    server_options = {}

    @classmethod
    def setUpClass(cls):
        cls.server = Server(*cls.server_args, **cls.server_options)

    @classmethod
    def tearDownClass(cls):
        rc = cls.server.stop_keeping_log()
        log = cls.server.final_log
        # A clean stop: exit status 0 (under the sanitizers: no error, no leak).
        if rc != 0:
            raise AssertionError("embsqld exited with %s\n%s\n%s" % (rc, cls.server.stderr, log))
        if "stopped" not in log:
            raise AssertionError("embsqld did not log its stop:\n" + log)

    def query(self, sql, *params):
        with self.server.connect() as c:
            cur = c.cursor().execute(sql, *params)
            return [tuple(r) for r in cur.fetchall()] if cur.description else []

    def client_of(self, category):
        """A client (id, group id) whose category is `category`."""
        return self.query("select c.sDealerId, g.sDealerId from tbl_DealerMaster c "
                          "join tbl_DealerMaster g on g.sDealerCode = c.sGroupCode "
                          "and g.nDealerCategory = 7 where c.nDealerCategory = ? "
                          "order by c.sDealerId", category)


class TsqlTest(ServerTestCase):
    def tsql(self, script):
        return self.server.run(["tsql", "-S", "EMB", "-U", LOGIN, "-P", PASSWORD, "-D", "DB1",
                                "-o", "q"], stdin=script)

    def test_select(self):
        out = self.tsql("select sDealerId, nDealerCategory from tbl_DealerMaster "
                        "where nDealerCategory = 7 order by sDealerId\ngo\n").stdout
        self.assertIn("sDealerId\tnDealerCategory", out)
        for g in ("G001", "G005"):
            self.assertIn(g + "\t7", out)

    def test_exec(self):
        client, group = self.client_of(2)[0]
        out = self.tsql("exec stp_ConvertSolvaneToOrbelle '%s','%s'\ngo\n" % (group, client))
        self.assertIn("converted from Solvane to Orbelle", out.stdout)

    def test_errors_carry_their_numbers(self):
        res = self.tsql("select * from nosuch\ngo\nexec nosuchproc\ngo\nselect 1 +\ngo\n")
        self.assertIn("Msg 208 (severity 16, state 1)", res.stderr)
        self.assertIn("Invalid object name 'nosuch'.", res.stderr)
        self.assertIn("Msg 2812", res.stderr)
        self.assertIn("Msg 102", res.stderr)

    def test_wrong_password_is_error_18456(self):
        res = self.server.run(["tsql", "-S", "EMB", "-U", LOGIN, "-P", "nope", "-D", "DB1"],
                              stdin="select 1\ngo\n")
        self.assertIn("Login failed for user 'u1'.", res.stderr)
        self.assertIn("18456", res.stderr)
        self.assertIn("login failed for 'u1'", self.server.log_text())


class FreebcpTest(ServerTestCase):
    server_options = {"extra_tables": [
        "create table tbl_Numbers (n int not null, s varchar(5))"]}
    staging = "DB1..tbl_ConvertSolvaneToOrbelle"

    def freebcp(self, table, direction, path, *options):
        return self.server.run(["freebcp", table, direction, path, "-S", "EMB", "-U", LOGIN,
                                "-P", PASSWORD, "-c", "-t,"] + list(options))

    def write(self, name, lines):
        path = os.path.join(self.server.dir, name)
        with open(path, "w") as f:
            f.write("".join(line + "\n" for line in lines))
        return path

    def setUp(self):
        self.query("truncate table tbl_ConvertSolvaneToOrbelle")
        self.query("truncate table tbl_Numbers")

    def test_in_and_out_of_the_staging_table(self):
        lines = ["G%03d,C%06d" % (i % 50, i) for i in range(1000)]
        res = self.freebcp(self.staging, "in", self.write("in.csv", lines))
        self.assertEqual(res.returncode, 0, res.stdout + res.stderr)
        self.assertIn("1000 rows copied", res.stdout)
        self.assertEqual(self.query("select count(*) from tbl_ConvertSolvaneToOrbelle"), [(1000,)])
        self.assertEqual(self.query("select sGroupId, sClientId from tbl_ConvertSolvaneToOrbelle "
                                    "where sClientId = 'C000123'"), [("G023", "C000123")])
        out = os.path.join(self.server.dir, "out.csv")
        res = self.freebcp(self.staging, "out", out)
        self.assertEqual(res.returncode, 0, res.stdout + res.stderr)
        with open(out) as f:
            self.assertEqual(sorted(f.read().splitlines()), sorted(lines))

    def test_batches_commit_whole(self):
        # Row 7 fails on the client (not a number) and goes to the error file;
        # row 15 (NULL into a NOT NULL column) fails on the server and takes
        # its whole batch of ten with it.
        lines = ["%d,s%d" % (i, i) for i in range(1, 31)]
        lines[6] = "abc,y"
        lines[14] = ",x"
        err = os.path.join(self.server.dir, "numbers.err")
        res = self.freebcp("DB1..tbl_Numbers", "in", self.write("numbers.csv", lines),
                           "-b", "10", "-m", "5", "-e", err)
        self.assertIn("Msg 515", res.stdout + res.stderr)
        with open(err) as f:
            self.assertIn("abc,y", f.read())
        rows = self.query("select n from tbl_Numbers order by n")
        self.assertEqual([r[0] for r in rows], [1, 2, 3, 4, 5, 6, 8, 9, 10, 11])
        self.assertIn("the batch was rolled back", self.server.log_text())

    def test_max_errors(self):
        lines = ["%d,s" % i for i in range(1, 21)]
        for k in (2, 4, 6):
            lines[k] = "x%d,s" % k
        # Three bad rows: -m 2 stops the copy, -m 5 loads the rest.
        res = self.freebcp("DB1..tbl_Numbers", "in", self.write("m.csv", lines), "-m", "2",
                           "-e", os.path.join(self.server.dir, "m2.err"))
        self.assertNotEqual(res.returncode, 0)
        self.query("truncate table tbl_Numbers")
        res = self.freebcp("DB1..tbl_Numbers", "in", self.write("m.csv", lines), "-m", "5",
                           "-e", os.path.join(self.server.dir, "m5.err"))
        self.assertIn("17 rows copied", res.stdout, res.stdout + res.stderr)
        self.assertEqual(self.query("select count(*) from tbl_Numbers"), [(17,)])

    def test_missing_table(self):
        res = self.freebcp("DB1..tbl_Nothing", "in", self.write("x.csv", ["1,a"]))
        self.assertNotEqual(res.returncode, 0)
        self.assertIn("Invalid object name", res.stdout + res.stderr)


class BsqldbTest(ServerTestCase):
    def test_script(self):
        client, group = self.client_of(2)[1]
        script = os.path.join(self.server.dir, "script.sql")
        with open(script, "w") as f:
            f.write("select count(*) from tbl_DealerMaster where nDealerCategory = 7\ngo\n"
                    "exec stp_ConvertSolvaneToOrbelle '%s','%s'\ngo\n"
                    "select nDealerCategory from tbl_DealerMaster where sDealerId = '%s'\ngo\n"
                    % (group, client, client))
        res = self.server.run(["bsqldb", "-S", "EMB", "-U", LOGIN, "-P", PASSWORD, "-D", "DB1",
                               "-i", script])
        self.assertEqual(res.returncode, 0, res.stderr)
        lines = [l.strip() for l in res.stdout.splitlines()]
        self.assertIn("5", lines)
        self.assertTrue(any("converted from Solvane to Orbelle" in l for l in lines), lines)
        self.assertIn("4", lines)  # category 4: on Orbelle now

    def test_error_in_script(self):
        script = os.path.join(self.server.dir, "bad.sql")
        with open(script, "w") as f:
            f.write("select * from nosuch\ngo\n")
        res = self.server.run(["bsqldb", "-S", "EMB", "-U", LOGIN, "-P", PASSWORD, "-D", "DB1",
                               "-i", script])
        self.assertIn("Invalid object name 'nosuch'", res.stderr)
        self.assertIn("208", res.stderr)


class PyodbcTest(ServerTestCase):
    server_options = {"groups": 100, "clients": 1000}

    def test_select_types(self):
        with self.server.connect() as c:
            cur = c.cursor()
            cur.execute("select sDealerId, nDealerCategory, nHistoryId from tbl_DealerMaster, "
                        "(select 1 as nHistoryId) where sDealerId = 'G001'")
            self.assertEqual([tuple(r) for r in cur.fetchall()], [("G001", 7, 1)])
            self.assertEqual([d[1] for d in cur.description], [str, int, int])
            self.assertEqual(cur.description[0][3], 20)
            row = cur.execute("select @@spid, getdate(), db_name(), N'été', 123456789012").fetchone()
            self.assertGreater(row[0], 0)
            self.assertEqual(type(row[1]).__name__, "datetime")
            self.assertEqual(row[2:], ("DB1", "été", 123456789012))

    def test_the_programs_call_forms(self):
        clients = self.client_of(2)
        forms = ["{call stp_ConvertSolvaneToOrbelle}'%s','%s'",
                 "{call stp_ConvertSolvaneToOrbelle('%s','%s')}",
                 "exec stp_ConvertSolvaneToOrbelle '%s','%s'"]
        with self.server.connect() as c:
            for form, (client, group) in zip(forms, clients):
                rows = c.cursor().execute(form % (group, client)).fetchall()
                self.assertIn("converted from Solvane to Orbelle", rows[0][0], form)
                self.assertEqual(self.query("select nDealerCategory from tbl_DealerMaster "
                                            "where sDealerId = ?", client), [(4,)])

    def test_parameters(self):
        client, group = self.client_of(2)[5]
        with self.server.connect() as c:
            cur = c.cursor()
            self.assertEqual(cur.execute("select count(*) from tbl_DealerMaster "
                                         "where nDealerCategory = ?", 7).fetchone()[0], 100)
            self.assertEqual(cur.execute("select sDealerName from tbl_DealerMaster "
                                         "where sDealerId = ?", "O'Brien").fetchall(), [])
            rows = cur.execute("{call stp_ConvertSolvaneToOrbelle(?,?)}", group, client).fetchall()
            self.assertIn(client, rows[0][0])

    def test_errors_have_sqlstate_and_native_code(self):
        import pyodbc
        cases = [("select * from nosuch", "42S02", 208),
                 ("exec nosuchproc", "42000", 2812),
                 ("select from where", "42000", 102),
                 ("exec stp_ConvertSolvaneToOrbelle 'nosuch','x'", "42000", 50000)]
        with self.server.connect() as c:
            for sql, state, native in cases:
                with self.assertRaises(pyodbc.Error) as ctx:
                    c.cursor().execute(sql).fetchall()
                self.assertEqual(ctx.exception.args[0], state, sql)
                self.assertIn("(%d)" % native, ctx.exception.args[1], sql)
            # The connection goes on after errors.
            self.assertEqual(c.cursor().execute("select 1").fetchone()[0], 1)

    def test_transactions(self):
        client, group = self.client_of(2)[10]
        c = self.server.connect(autocommit=False)
        c.cursor().execute("exec stp_ConvertSolvaneToOrbelle '%s','%s'" % (group, client)).fetchall()
        c.rollback()
        self.assertEqual(self.query("select nDealerCategory from tbl_DealerMaster "
                                    "where sDealerId = ?", client), [(2,)])
        c.cursor().execute("exec stp_ConvertSolvaneToOrbelle '%s','%s'" % (group, client)).fetchall()
        c.commit()
        c.close()
        self.assertEqual(self.query("select nDealerCategory from tbl_DealerMaster "
                                    "where sDealerId = ?", client), [(4,)])

    def test_inserts_keep_to_their_transaction(self):
        rows = [("G%03d" % (i % 7), "C%06d" % i) for i in range(50)] + [("G001", None)]
        c = self.server.connect(autocommit=False)
        cur = c.cursor()
        cur.execute("truncate table tbl_ConvertSolvaneToOrbelle")
        cur.executemany("insert into tbl_ConvertSolvaneToOrbelle (sGroupId, sClientId) "
                        "values (?, ?)", rows[:10])
        c.rollback()
        cur.executemany("insert into dbo.tbl_ConvertSolvaneToOrbelle values (?, ?)", rows)
        cur.execute("insert into tbl_ConvertSolvaneToOrbelle (sClientId) values ('C1'), ('C2')")
        self.assertEqual(cur.rowcount, 2)
        c.commit()
        c.close()
        self.assertEqual(self.query("select count(*), count(sClientId), count(sGroupId) "
                                    "from tbl_ConvertSolvaneToOrbelle"), [(53, 52, 51)])
        import pyodbc
        with self.assertRaises(pyodbc.Error) as ctx:
            self.query("insert into tbl_ConvertSolvaneToOrbelle values ('G1', ?)", "C" * 21)
        self.assertIn("(8152)", ctx.exception.args[1])

    def test_columns_of_a_table(self):
        with self.server.connect() as c:
            columns = [(r.column_name, r.data_type, r.column_size, r.nullable,
                        r.ordinal_position)
                       for r in c.cursor().columns(table="tbl_DealerMaster")]
            self.assertEqual(columns, [("sDealerId", -9, 20, 0, 1), ("sDealerCode", -9, 20, 1, 2),
                                       ("sGroupCode", -9, 20, 1, 3),
                                       ("sDealerName", -9, 100, 1, 4),
                                       ("nDealerCategory", 4, 10, 0, 5)])
            self.assertEqual(list(c.cursor().columns(table="tbl_Nope")), [])
            self.assertEqual(list(c.cursor().columns(table="embsql_login")), [])

    def test_100000_rows(self):
        with self.server.connect() as c:
            rows = c.cursor().execute("select sDealerId, nDealerCategory from tbl_DealerMaster "
                                      "where nDealerCategory <> 7 order by sDealerId").fetchall()
            self.assertEqual(len(rows), 100000)
            self.assertEqual(len({r[0] for r in rows}), 100000)

    def test_50_connections_at_once(self):
        results, errors = [], []
        barrier = threading.Barrier(50)

        def work():
            try:
                with self.server.connect(autocommit=False) as c:
                    barrier.wait(timeout=60)
                    n = c.cursor().execute("select count(*) from tbl_DealerMaster "
                                           "where nDealerCategory = ?", 7).fetchone()[0]
                    results.append(n)
            except Exception as e:  # noqa: BLE001 - reported below
                errors.append(e)
        threads = [threading.Thread(target=work) for _ in range(50)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(errors, [])
        self.assertEqual(results, [100] * 50)

    def test_a_client_killed_mid_result(self):
        code = ("import pyodbc, os, signal\n"
                "c = pyodbc.connect(%r)\n"
                "cur = c.cursor(); cur.execute('select * from tbl_DealerMaster'); cur.fetchmany(5)\n"
                "os.kill(os.getpid(), signal.SIGKILL)\n" % self.server.connection_string())
        res = subprocess.run(["/usr/bin/python3", "-c", code], env=self.server.env)
        self.assertEqual(res.returncode, -signal.SIGKILL)
        self.assertEqual(self.query("select count(*) from tbl_DealerMaster"), [(100100,)])

    def test_cancel(self):
        with self.server.connect() as c:
            cur = c.cursor()
            cur.execute("select * from tbl_DealerMaster")
            self.assertEqual(len(cur.fetchmany(10)), 10)
            cur.cancel()
            self.assertEqual(cur.execute("select 42").fetchone()[0], 42)
        self.assertIn("cancelled by the client", self.server.log_text())


class IsqlTest(ServerTestCase):
    def isql(self, sql):
        return self.server.run(["isql", "-v", "-b", "EMBDSN", LOGIN, PASSWORD], stdin=sql + "\n")

    def test_select(self):
        res = self.isql("select sDealerId, nDealerCategory from tbl_DealerMaster "
                        "where nDealerCategory = 7")
        self.assertEqual(res.returncode, 0, res.stdout + res.stderr)
        self.assertIn("| G001", res.stdout)
        self.assertIn("5 rows fetched", res.stdout)

    def test_error(self):
        res = self.isql("select * from nosuch")
        self.assertIn("Invalid object name 'nosuch'.", res.stdout + res.stderr)


class PytdsTest(ServerTestCase):
    def connect(self):
        import pytds
        return pytds.connect(server="127.0.0.1", port=self.server.port, database="DB1",
                             user=LOGIN, password=PASSWORD, autocommit=True)

    def test_select(self):
        with self.connect() as c:
            cur = c.cursor()
            cur.execute("select sDealerId, nDealerCategory from tbl_DealerMaster "
                        "where nDealerCategory = %s order by sDealerId", (7,))
            rows = cur.fetchall()
            self.assertEqual(len(rows), 5)
            self.assertEqual(tuple(rows[0]), ("G001", 7))

    def test_procedure_call(self):
        client, group = self.client_of(2)[0]
        with self.connect() as c:
            cur = c.cursor()
            cur.callproc("stp_ConvertSolvaneToOrbelle", (group, client))
            self.assertIn("converted from Solvane to Orbelle", cur.fetchall()[0][0])
            self.assertEqual(cur.get_proc_return_status(), 0)

    def test_error(self):
        import pytds
        with self.connect() as c:
            with self.assertRaises(pytds.Error) as ctx:
                c.cursor().execute("select * from nosuch")
            self.assertEqual(ctx.exception.msg_no, 208)
            self.assertIn("Invalid object name 'nosuch'.", str(ctx.exception))


def packet(kind, payload, status=1):
    return struct.pack(">BBHHBB", kind, status, len(payload) + 8, 0, 1, 0) + payload


def prelogin():
    # Version and encryption options, encryption not supported.
    opts = bytes([0, 0, 11, 0, 6, 1, 0, 17, 0, 1, 0xFF])
    return packet(0x12, opts + bytes([16, 0, 0, 0, 0, 0]) + bytes([2]))


def recv_all(sock, timeout):
    """Bytes until the server closes the connection (or the time runs out)."""
    sock.settimeout(timeout)
    data = b""
    try:
        while True:
            chunk = sock.recv(65536)
            if not chunk:
                return data, True
            data += chunk
    except socket.timeout:
        return data, False
    except ConnectionResetError:
        return data, True


class RobustnessTest(ServerTestCase):
    server_args = ("--idle-timeout", "2")

    def open(self):
        return socket.create_connection(("127.0.0.1", self.server.port), timeout=10)

    def assert_still_serving(self):
        self.assertEqual(self.query("select 1")[0][0], 1)

    def test_bad_packets_close_only_their_connection(self):
        with self.server.connect() as bystander:
            cur = bystander.cursor()
            cur.execute("select sDealerId from tbl_DealerMaster")
            first = cur.fetchmany(3)
            bad = [
                struct.pack(">BBHHBB", 0x12, 1, 3, 0, 1, 0),           # length below the header
                struct.pack(">BBHHBB", 0x12, 1, 0xFFFF, 0, 1, 0),      # absurd length
                packet(0x12, b"\x00\x00\x99\x00\x06\xff"),             # option outside the message
                prelogin() + packet(0x10, b"\xff" * 40),               # LOGIN7 too short
                prelogin() + packet(0x10, struct.pack("<I", 0x7fffffff) + b"\0" * 100),
                prelogin() + packet(0x01, "select 1".encode("utf-16-le")),  # a batch before login
                os.urandom(3000),
            ]
            for data in bad:
                with self.open() as s:
                    s.sendall(data)
                    _, closed = recv_all(s, 10)
                    self.assertTrue(closed, data[:16])
            self.assertEqual(len(cur.fetchall()) + len(first), 5 + 5 * 8)
        log = self.server.log_text()
        self.assertIn("protocol error", log)
        self.assert_still_serving()

    def test_a_stream_that_stops_midway(self):
        with self.open() as s:
            s.sendall(prelogin()[:12])  # the header and a little of the payload
            start = time.monotonic()
            _, closed = recv_all(s, 15)
            self.assertTrue(closed)
            self.assertLess(time.monotonic() - start, 14)
        self.assertIn("in the middle of a packet", self.server.log_text())
        self.assert_still_serving()

    def test_a_client_that_vanishes_midway(self):
        with self.open() as s:
            s.sendall(prelogin()[:20])
        time.sleep(0.5)
        self.assert_still_serving()

    def test_idle_connections_time_out(self):
        import pyodbc
        c = self.server.connect()
        self.assertEqual(c.cursor().execute("select 1").fetchone()[0], 1)
        time.sleep(3.5)
        with self.assertRaises(pyodbc.Error):
            c.cursor().execute("select 1").fetchone()
        self.assertIn("idle for 2 seconds", self.server.log_text())


def utf16(text):
    return text.encode("utf-16-le")


def login7(user, password, database):
    """A LOGIN7 record of TDS 7.4."""
    scrambled = bytes((((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5 for b in utf16(password))
    fields = [utf16("host"), utf16(user), scrambled, utf16("raw"), utf16("EMB"), b"",
              utf16("raw"), b"", utf16(database)]
    fixed = struct.pack("<IIIIII", 0, 0x74000004, 4096, 7, os.getpid(), 0)
    fixed += bytes([0xE0, 0x03, 0, 0]) + struct.pack("<iI", 0, 0x409)
    data, offset = b"", 94
    for i, f in enumerate(fields):
        fixed += struct.pack("<HH", offset + len(data), len(f) if i == 5 else len(f) // 2)
        data += f
    fixed += b"\0" * 6 + struct.pack("<HHHHHHI", offset + len(data), 0, offset + len(data), 0,
                                      offset + len(data), 0, 0)
    record = fixed + data
    return struct.pack("<I", len(record)) + record[4:]


def int_param(name, value):
    n = utf16(name)
    if value is None:
        return bytes([len(n) // 2]) + n + bytes([0, 0x26, 4, 0])
    return bytes([len(n) // 2]) + n + bytes([0, 0x26, 4, 4]) + struct.pack("<i", value)


def out_int_param(name):
    n = utf16(name)
    return bytes([len(n) // 2]) + n + bytes([1, 0x26, 4, 0])


def text_param(name, value):
    n, v = utf16(name), utf16(value)
    return (bytes([len(n) // 2]) + n + bytes([0, 0xE7]) + struct.pack("<H", 8000)
            + bytes([9, 4, 0xD0, 0, 0x34]) + struct.pack("<H", len(v)) + v)


def rpc(proc_id, *params):
    headers = struct.pack("<IIHQI", 22, 18, 2, 0, 1)
    return packet(0x03, headers + struct.pack("<HHH", 0xFFFF, proc_id, 0) + b"".join(params))


class RawClient:
    """A bare TDS client, for the requests the client libraries do not send."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.sock.sendall(prelogin())
        self.response()
        self.sock.sendall(packet(0x10, login7(LOGIN, PASSWORD, "DB1")))
        if b"\xad" not in self.response():
            raise AssertionError("no LOGINACK")

    def response(self):
        data = b""
        while True:
            header = self.recv(8)
            kind, status, length = struct.unpack(">BBH", header[:4])
            data += self.recv(length - 8)
            if status & 1:
                return data

    def recv(self, n):
        out = b""
        while len(out) < n:
            chunk = self.sock.recv(n - len(out))
            if not chunk:
                raise ConnectionError("closed")
            out += chunk
        return out

    def close(self):
        self.sock.close()


class PreparedStatementTest(ServerTestCase):
    def test_prepare_execute_unprepare(self):
        c = RawClient(self.server.port)
        try:
            c.sock.sendall(rpc(11, out_int_param("@handle"), text_param("@params", "@P1 int"),
                               text_param("@stmt", "select sDealerName from tbl_DealerMaster "
                                          "where nDealerCategory = @P1 and sDealerId = 'G002'")))
            answer = c.response()
            at = answer.index(b"\xac")  # RETURNVALUE: the handle
            name_len = answer[at + 3]
            value_at = at + 4 + 2 * name_len + 1 + 4 + 2 + 2
            self.assertEqual(answer[value_at], 4)
            handle = struct.unpack("<i", answer[value_at + 1:value_at + 5])[0]
            c.sock.sendall(rpc(12, int_param("@handle", handle), int_param("", 7)))
            self.assertIn(utf16("Group 2"), c.response())
            c.sock.sendall(rpc(12, int_param("@handle", handle), int_param("", 2)))
            self.assertNotIn(utf16("Group 2"), c.response())
            c.sock.sendall(rpc(15, int_param("@handle", handle)))
            c.response()
            c.sock.sendall(rpc(12, int_param("@handle", handle), int_param("", 7)))
            self.assertIn(utf16("Could not find prepared statement"), c.response())
        finally:
            c.close()

    def test_executesql_with_named_parameters(self):
        c = RawClient(self.server.port)
        try:
            c.sock.sendall(rpc(10, text_param("@stmt", "select sDealerName from tbl_DealerMaster "
                                              "where sDealerId = @id"),
                               text_param("@params", "@id nvarchar(20)"),
                               text_param("@id", "G003")))
            self.assertIn(utf16("Group 3"), c.response())
            c.sock.sendall(rpc(10, text_param("@stmt", "select * from tbl_DealerMaster "
                                              "where sDealerId = @id"),
                               text_param("@params", "@id nvarchar(20)"),
                               text_param("@id", "x' or 1=1 --")))
            self.assertNotIn(utf16("Group 1"), c.response())  # the quote stays inside the value
        finally:
            c.close()


class ConnectionLimitTest(ServerTestCase):
    server_args = ("--max-connections", "2")

    def test_connections_over_the_limit_are_refused(self):
        import pyodbc
        a = self.server.connect()
        b = self.server.connect()
        with self.assertRaises(pyodbc.Error):
            self.server.connect(LoginTimeout="5")
        self.assertIn("connections are open already", self.server.log_text())
        a.close()
        time.sleep(0.5)
        with self.server.connect() as c:
            self.assertEqual(c.cursor().execute("select 2").fetchone()[0], 2)
        b.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
