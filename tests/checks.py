"""The check the Python tests share: it records a failure, prints it and lets the test go on."""

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, flush=True)
    return condition
