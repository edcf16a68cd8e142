#!/usr/bin/env python3
"""Scenes as whole frames, for tests/windows/frame_player.

    scripts/scene-frames.py flatten SCENE.json > SCENE.frames
    scripts/scene-frames.py sweep SEED FRAMES > sweep.json

flatten: a scene file (docs/host-program.md: every key optional, a frame
inheriting what it does not give) played out as trimsight-host plays it,
each frame's whole state on one line, every float as its 32 bits in hex, so
that the Linux and Windows builds of the player read exactly the same
numbers whatever their number parsing. The player's output is then the
host program's trace of the scene; scripts/windows.sh checks that on Linux.

    trimsight-frames 1
    cvar NAME TEXT        the variable's text set raw (registered again if removed)
    remove NAME           the variable removed
    frame W H PAUSED FREEPLAY CUSTOM_TRAINING REPLAY HAS_BALL
          CAR_LOCATION(3) CAR_VELOCITY(3) PITCH YAW ROLL STEER STICK_PITCH
          BALL_LOCATION(3) BALL_VELOCITY(3)

sweep: a scene of many random frames from a seed (xorshift32), each a new
attitude, position, velocity, stick, canvas and dial setting, for the maths
to meet far more angles than the written scenes hold. Its numbers have at
most two decimals.

This is the Windows build's stand-in for trimsight-host trace until the
host program is built for Windows too.
"""
import json
import struct
import sys

FLT_MAX = struct.unpack("<f", b"\xff\xff\x7f\x7f")[0]


class SceneError(Exception):
    pass


def float_bits(value, where):
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise SceneError(f"at {where}: expected a number")
    d = float(value)
    if not abs(d) <= FLT_MAX:
        raise SceneError(f"at {where}: expected a number within the 32-bit float range")
    return "%08x" % struct.unpack("<I", struct.pack("<f", d))[0]


def integer(value, where, low, high):
    if isinstance(value, bool) or not isinstance(value, (int, float)) or value != int(value):
        raise SceneError(f"at {where}: expected an integer")
    value = int(value)
    if not low <= value <= high:
        raise SceneError(f"at {where}: expected an integer from {low} to {high}")
    return value


def check_keys(obj, where, allowed):
    if not isinstance(obj, dict):
        raise SceneError(f"at {where}: expected an object")
    for key in obj:
        if key not in allowed:
            raise SceneError(f"at {where}.{key}: unknown key")


def vector(value, where):
    if not isinstance(value, list) or len(value) != 3:
        raise SceneError(f"at {where}: expected an array of 3 numbers")
    return [float_bits(v, f"{where}[{i}]") for i, v in enumerate(value)]


def flatten(scene):
    frames = scene["frames"] if isinstance(scene, dict) and "frames" in scene else [scene]
    if not isinstance(frames, list) or not frames:
        raise SceneError("at frames: expected a non-empty array of frame objects")
    zero = float_bits(0, "")
    state = {
        "canvas": [1920, 1080], "paused": False, "freeplay": True, "custom_training": False,
        "replay": False, "has_ball": True,
        "car_location": [zero] * 3, "car_velocity": [zero] * 3, "rotation": [0, 0, 0],
        "steer": zero, "pitch": zero,
        "ball_location": [zero, zero, float_bits(93, "")], "ball_velocity": [zero] * 3,
    }
    out = ["trimsight-frames 1"]
    for n, frame in enumerate(frames):
        where = f"frames[{n}]" if frames is not scene else "top level"
        check_keys(frame, where, {"canvas", "game", "cvars", "car", "ball"})
        cvars = frame.get("cvars", {})
        if not isinstance(cvars, dict):
            raise SceneError(f"at {where}.cvars: expected an object")
        # In name order, as the host program's JSON library iterates objects.
        for name in sorted(cvars):
            value = cvars[name]
            if " " in name or "\n" in name or (isinstance(value, str) and "\n" in value):
                raise SceneError(f"at {where}.cvars.{name}: no spaces in names, no line breaks")
            if value is None:
                out.append(f"remove {name}")
            elif isinstance(value, str):
                out.append(f"cvar {name} {value}")
            else:
                raise SceneError(f"at {where}.cvars.{name}: expected a string or null")
        if "canvas" in frame:
            c = frame["canvas"]
            if not isinstance(c, list) or len(c) != 2:
                raise SceneError(f"at {where}.canvas: expected [width, height]")
            state["canvas"] = [integer(v, f"{where}.canvas[{i}]", 1, 16384) for i, v in enumerate(c)]
        game = frame.get("game", {})
        check_keys(game, f"{where}.game", {"paused", "freeplay", "custom_training", "replay"})
        for key, value in game.items():
            if not isinstance(value, bool):
                raise SceneError(f"at {where}.game.{key}: expected true or false")
            state[key] = value
        car = frame.get("car", {})
        check_keys(car, f"{where}.car", {"location", "velocity", "rotation", "input"})
        if "location" in car:
            state["car_location"] = vector(car["location"], f"{where}.car.location")
        if "velocity" in car:
            state["car_velocity"] = vector(car["velocity"], f"{where}.car.velocity")
        if "rotation" in car:
            r = car["rotation"]
            if not isinstance(r, list) or len(r) != 3:
                raise SceneError(f"at {where}.car.rotation: expected [pitch, yaw, roll]")
            state["rotation"] = [integer(v, f"{where}.car.rotation[{i}]", -2**31, 2**31 - 1)
                                 for i, v in enumerate(r)]
        stick = car.get("input", {})
        check_keys(stick, f"{where}.car.input", {"steer", "pitch"})
        for key in ("steer", "pitch"):
            if key in stick:
                state[key] = float_bits(stick[key], f"{where}.car.input.{key}")
        if "ball" in frame:
            ball = frame["ball"]
            if ball is None:
                state["has_ball"] = False
            else:
                check_keys(ball, f"{where}.ball", {"location", "velocity"})
                state["has_ball"] = True
                if "location" in ball:
                    state["ball_location"] = vector(ball["location"], f"{where}.ball.location")
                if "velocity" in ball:
                    state["ball_velocity"] = vector(ball["velocity"], f"{where}.ball.velocity")
        flags = [state[k] for k in ("paused", "freeplay", "custom_training", "replay", "has_ball")]
        words = (state["canvas"] + [int(f) for f in flags] + state["car_location"] +
                 state["car_velocity"] + state["rotation"] + [state["steer"], state["pitch"]] +
                 state["ball_location"] + state["ball_velocity"])
        out.append("frame " + " ".join(str(w) for w in words))
    return "\n".join(out) + "\n"


def sweep(seed, count):
    state = seed & 0xFFFFFFFF or 1

    def unit():
        nonlocal state
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        return state / 4294967296

    def between(low, high):
        return round(low + (high - low) * unit(), 2)

    def whole(low, high):
        return low + int((high - low + 1) * unit())

    def vec(size):
        return [between(-size, size), between(-size, size), between(0, size)]

    canvases = [[1920, 1080], [1280, 720], [2560, 1440], [800, 600], [3840, 2160]]
    frames = []
    for _ in range(count):
        frames.append({
            "canvas": canvases[whole(0, len(canvases) - 1)],
            "cvars": {
                "peripheral_mode_enabled": "1" if unit() < 0.2 else "0",
                "trimsight_size": str(between(2, 5)),
                "x_position": str(between(0, 1)),
                "y_position": str(between(0, 1)),
                "trimsight_target": str(whole(0, 6)),
            },
            "car": {
                "location": vec(4000), "velocity": vec(2300),
                "rotation": [whole(-16384, 16384), whole(-32768, 32767), whole(-32768, 32767)],
                "input": {"steer": between(-1, 1), "pitch": between(-1, 1)},
            },
            "ball": {"location": vec(4000), "velocity": vec(3000)},
        })
    return json.dumps({"frames": frames}) + "\n"


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "flatten":
            with open(argv[2], encoding="utf-8") as f:
                text = f.read()
            try:
                frames = flatten(json.loads(text))
            except json.JSONDecodeError as e:
                raise SceneError(f"{argv[2]}:{e.lineno}:{e.colno}: {e.msg}") from e
            except SceneError as e:
                raise SceneError(f"{argv[2]}: {e}") from e
            sys.stdout.write(frames)
            return 0
        if len(argv) == 4 and argv[1] == "sweep" and argv[2].isdigit() and argv[3].isdigit():
            sys.stdout.write(sweep(int(argv[2]), int(argv[3])))
            return 0
    except (OSError, SceneError) as e:
        print(f"scene-frames: {e}", file=sys.stderr)
        return 1
    print(__doc__.split("\n\n")[1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
