"""Builds gaussbound's compiled half, gaussbound._core, with the project's CMake.

pip runs this through setuptools. The extension is the CMake target _core,
configured without the programs, tests and benchmarks; the version is the
CMake project's. GAUSSBOUND_CMAKE_BUILD_DIR names an already configured build
tree to build the target in instead (the tests use their own build this way,
so that installing compiles nothing twice). CMAKE_BUILD_PARALLEL_LEVEL sets
the compile jobs (default: every core).
"""

import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return re.search(r"project\(gaussbound VERSION ([0-9.]+)", cmake.read()).group(1)


class CMakeBuild(build_ext):
    """Builds each extension as the CMake target of its last name component."""

    def build_extension(self, ext):
        build_dir = os.environ.get("GAUSSBOUND_CMAKE_BUILD_DIR")
        if not build_dir:
            build_dir = os.path.join(os.path.abspath(self.build_temp), "cmake")
            subprocess.check_call(["cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                                   "-DGAUSSBOUND_BUILD_PROGRAMS=OFF", "-DGAUSSBOUND_BUILD_TESTS=OFF",
                                   "-DGAUSSBOUND_BUILD_BENCHMARKS=OFF", "-DGAUSSBOUND_BUILD_PYTHON=ON",
                                   f"-DPython_EXECUTABLE={sys.executable}"])
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        target = ext.name.rsplit(".", 1)[-1]
        subprocess.check_call(["cmake", "--build", build_dir, "--target", target, "-j", jobs])
        built = os.path.join(build_dir, "python", "gaussbound", os.path.basename(self.get_ext_filename(ext.name)))
        os.makedirs(os.path.dirname(self.get_ext_fullpath(ext.name)), exist_ok=True)
        shutil.copyfile(built, self.get_ext_fullpath(ext.name))


# setuptools' own build files go beside the CMake builds, not into build/.
os.makedirs(os.path.join(ROOT, "build-pip"), exist_ok=True)
setup(
    version=project_version(),
    packages=["gaussbound"],
    package_dir={"": "python"},
    package_data={"gaussbound": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("gaussbound._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-pip"}, "egg_info": {"egg_base": "build-pip"}},
    zip_safe=False,
)
