"""Where python-chess, the independent judge of the real-use checks, is found:
the folder named by ORVANE_PYCHESS, else ../shared/clients/python-chess next
to the checkout.  Without it a check cannot run.  In CI (CI set) that is a
failure, said so: a check that cannot run must not count as passed.  Outside
CI the check is skipped, loudly, with the reason."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CLIENT = os.environ.get("ORVANE_PYCHESS") or os.path.normpath(
    os.path.join(HERE, "..", "..", "..", "shared", "clients", "python-chess"))

# The exit status of a loud skip outside CI (ctest's SKIP_RETURN_CODE).
SKIPPED = 77


def load(check_name, skip_status=0):
    """Puts python-chess on the path and returns the chess module; exits when
    it is missing: status 1 in CI, else skip_status after a message."""
    if os.path.isdir(os.path.join(CLIENT, "chess")):
        sys.path.insert(0, CLIENT)
        import chess
        import chess.engine  # noqa: F401  (every check drives an engine)
        return chess
    reason = "python-chess not found at " + CLIENT + " (set ORVANE_PYCHESS)"
    if os.environ.get("CI"):
        print(check_name + ": FAILED: cannot run in CI: " + reason)
        sys.exit(1)
    print(check_name + ": SKIPPED (not in CI): " + reason)
    sys.exit(skip_status)
