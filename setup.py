"""Builds the Python package `flowmodel`: its compiled core is the CMake
target flowmodel_python (python/CMakeLists.txt), configured here with the
interpreter that runs pip and built into the package folder setuptools is
about to pack; the Python files come from python/flowmodel. One build
definition: the sources are listed only in CMake."""
import os
import re
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent
VERSION = re.search(r'__version__ = "([^"]+)"', (ROOT / "python/flowmodel/_version.py").read_text()).group(1)


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        package_dir = Path(self.get_ext_fullpath(ext.name)).parent.resolve()
        build_dir = Path(self.build_temp).resolve() / "cmake"
        build_dir.mkdir(parents=True, exist_ok=True)
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release",
            "-DFLOWMODEL_BUILD_TESTS=OFF", "-DFLOWMODEL_BUILD_TOOLS=OFF", "-DFLOWMODEL_BUILD_BENCH=OFF",
            "-DFLOWMODEL_BUILD_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}",
            f"-DFLOWMODEL_PYTHON_PACKAGE_DIR={package_dir}",
        ]
        try:
            # pybind11 from the build requirements (pip's isolated build) or the
            # environment: found through its own CMake directory.
            import pybind11
            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass  # CMake looks for a system-wide pybind11 (Debian: pybind11-dev)
        subprocess.run(configure, check=True)
        jobs = str(os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build_dir), "--target", "flowmodel_python", "-j", jobs], check=True)
        built = list(package_dir.glob("_core*.so")) + list(package_dir.glob("_core*.pyd"))
        if not built:
            raise RuntimeError(f"the CMake build left no compiled core in {package_dir}")


setup(
    name="flowmodel",
    version=VERSION,
    description="Steady two-phase gas-liquid pipe flow at one point: regime, holdup, pressure gradient",
    packages=["flowmodel"],
    package_dir={"": "python"},
    ext_modules=[CMakeExtension("flowmodel._core")],
    cmdclass={"build_ext": CMakeBuild},
    python_requires=">=3.8",
    install_requires=["numpy"],
    extras_require={"frame": ["pandas"], "dask": ["dask[array]", "distributed"]},
    zip_safe=False,
)
