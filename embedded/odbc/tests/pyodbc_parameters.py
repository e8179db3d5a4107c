"""pyodbc against the embedded server's driver: parameters bound by pyodbc
itself (text as wide characters, whole numbers as 64-bit integers, None),
a procedure called with markers, a marker without a value, and integer
results read as Python integers.

    pyodbc_parameters.py DSN DATABASE LOGIN PASSWORD
"""
import sys

import pyodbc


def main():
    dsn, database, login, password = sys.argv[1:5]
    connection = pyodbc.connect(
        "DSN=%s;Database=%s;UID=%s;PWD=%s" % (dsn, database, login, password), autocommit=True)
    cursor = connection.cursor()

    rows = cursor.execute(
        "select sDealerId from tbl_DealerMaster where sGroupCode = "
        "(select sDealerCode from tbl_DealerMaster where sDealerId = ?) "
        "and nDealerCategory = ? order by sDealerId", "G002", 4).fetchall()
    assert [r[0] for r in rows] == ["C000009", "C000012", "C000015"], rows

    (count,) = cursor.execute(
        "select count(*) from tbl_DealerMaster where nDealerCategory = ?", 7).fetchone()
    assert count == 5 and isinstance(count, int), repr(count)
    assert cursor.description[0][1] is int, cursor.description

    (none,) = cursor.execute(
        "select count(*) from tbl_DealerMaster where sGroupCode = ?", None).fetchone()
    assert none == 0, none

    (quoted,) = cursor.execute(
        "select count(*) from tbl_DealerMaster where sDealerId = ?", "x' or '1'='1").fetchone()
    assert quoted == 0, quoted

    (message,) = cursor.execute(
        "{call stp_ConvertSolvaneToOrbelle(?, ?)}", "G001", "C000004").fetchone()
    assert message == "Client C000004 of group G001 converted from Solvane to Orbelle.", message

    try:
        cursor.execute("select sDealerId from tbl_DealerMaster where sDealerId = ?")
        raise AssertionError("a marker without a value ran")
    except pyodbc.Error as error:
        assert error.args[0] == "07002", error.args

    print("all checks passed")


if __name__ == "__main__":
    main()
