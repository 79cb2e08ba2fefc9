#!/usr/bin/env bash
# pip install --no-build-isolation of the repository into a fresh virtual
# environment (system site packages, no network), then one evaluation
# imported from an unrelated directory.
set -euo pipefail
python=$1
repo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the sources, so that the build leaves nothing in the work tree.
tar -C "$repo" --exclude='./build*' --exclude='./.git' -cf - . | (mkdir "$work/src" && tar -C "$work/src" -xf -)
"$python" -m venv --system-site-packages "$work/venv"
(cd "$work/src" && PIP_NO_INDEX=1 "$work/venv/bin/pip" install -q --no-build-isolation .) > "$work/pip.log" 2>&1 \
  || { tail -n 40 "$work/pip.log"; exit 1; }
mkdir "$work/elsewhere"
cd "$work/elsewhere"
PYTHONPATH= "$work/venv/bin/python" - <<'PY'
import flowmodel
assert flowmodel.__file__.startswith(__import__("sys").prefix), flowmodel.__file__
r = flowmodel.evaluate(usl=0.1, usg=5.0)
assert r.regime == "slug" and r.status == 0, r
assert flowmodel.MODEL_VERSION == 1.06 and flowmodel.__version__ != "1.06"
print("installed", flowmodel.__version__, "from", flowmodel.__file__, r)
PY
