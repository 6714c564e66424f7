"""Counts the checks of a packaging test and reports them as "N passed, N failed"."""
failures = []
passed = [0]


def check(condition, message):
    if condition:
        passed[0] += 1
    else:
        failures.append(message)
        print("FAIL:", message, flush=True)
    return condition


def finish(name):
    print(f"{name}: {passed[0]} passed, {len(failures)} failed")
    return 1 if failures else 0
