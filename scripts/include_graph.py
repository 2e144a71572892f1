#!/usr/bin/env python3
"""The include graph of the project's folders: which folder's sources include
headers of which other folder. With --check, fails when a folder includes one
that the layer list below does not put beneath it (or beside it, for the
folders of one layer that may use each other as listed)."""
import os, re, sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Product folders, lowest first. A folder may include only folders listed
# before it (its own layer's earlier entries included).
LAYERS = [
    'base/platform',
    'base/format',
    'base/host',
    'codecs', 'codecs/vfw', 'codecs/mjpg', 'codecs/wavelet', 'codecs/zrmp4', 'codecs/zr_sound',
    'events',
    'export',
    'playback/sound',
    'deploy',
    'playback/engine',
    'outputs',
    'outputs/commands',
    'outputs/report',
    'video',
    'controls',
    'app',
]
SKIP = {'build', '.git', 'tests', 'bench', 'fuzz', 'tools', 'res', 'scripts', 'cmake'}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    return os.path.dirname(path)


def graph():
    edges = defaultdict(set)
    for dirpath, dirnames, filenames in os.walk(ROOT):
        rel = os.path.relpath(dirpath, ROOT)
        if rel.split(os.sep)[0] in SKIP or rel.startswith('build'):
            dirnames[:] = []
            continue
        for name in filenames:
            if not name.endswith(('.cpp', '.h', '.c')):
                continue
            source_folder = rel if rel != '.' else ''
            text = open(os.path.join(dirpath, name), encoding='utf-8', errors='replace').read()
            for included in INCLUDE.findall(text):
                target = folder_of(included)
                if target and target != source_folder and os.path.exists(os.path.join(ROOT, included)):
                    edges[source_folder].add(target)
    return edges


def main():
    edges = graph()
    order = {f: i for i, f in enumerate(LAYERS)}
    bad = []
    for source in sorted(edges):
        print(f'{source}: {" ".join(sorted(edges[source]))}')
        for target in edges[source]:
            if source not in order or target not in order:
                bad.append(f'{source} -> {target}: folder not in the layer list')
            elif order[target] >= order[source]:
                bad.append(f'{source} -> {target}: includes a folder above it')
    if '--check' in sys.argv and bad:
        print('\n'.join(bad), file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
