<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>AboutBox</name>
    <message>
        <source>About Zelvo MP3 Zovozu Darozu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h3&gt;Zelvo MP3 Zovozu Darozu 3.5&lt;/h3&gt;&lt;p&gt;Cuts, joins, plays and converts WAV, MP3, OGG and WMA files.&lt;/p&gt;&lt;p&gt;Built with:&lt;/p&gt;&lt;ul&gt;&lt;li&gt;Qt 6 (LGPL 3)&lt;/li&gt;&lt;li&gt;FFmpeg: libavformat, libavcodec, libavutil, libswresample (LGPL 2.1 or later)&lt;/li&gt;&lt;li&gt;LAME MP3 encoder (LGPL 2)&lt;/li&gt;&lt;li&gt;libvorbis (BSD-style licence)&lt;/li&gt;&lt;li&gt;SoundTouch (LGPL 2.1)&lt;/li&gt;&lt;li&gt;SDL 2 (zlib licence)&lt;/li&gt;&lt;li&gt;KISS FFT (BSD licence)&lt;/li&gt;&lt;li&gt;SimpleIni (MIT licence)&lt;/li&gt;&lt;/ul&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AudioFileListModel</name>
    <message>
        <source>File name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConfirmDialog</name>
    <message>
        <source>&amp;Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CueEncodingDialog</name>
    <message>
        <source>Text encoding of the CUE sheet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The sheet&apos;s text is read as:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Its tracks then read:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CutDocument</name>
    <message>
        <source>Add cut point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove section</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New cut points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tick section</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Untick section</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title section</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move cut point</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CutPointMenu</name>
    <message>
        <source>Find points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>At silences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By length or count...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From a CUE sheet...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the cut list as a CUE sheet...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo found points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut at the middle of each silence</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Leave the silences out (unticked sections)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut points at silences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Silence below:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shortest silence:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shortest section:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sections of</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Equal sections:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move each cut to the nearest silence within</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut points by length or count</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open a CUE sheet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the cut list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CUE sheets (*.cue)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Looking for silences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot save the cut list as &quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find cut points at silences, at equal lengths, in a CUE sheet, at the file&apos;s chapters or at Audacity labels</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From chapters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From Audacity labels...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the cut list as Audacity labels...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Audacity labels</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Label files (*.txt);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the cut list as labels</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Label files (*.txt)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; has no chapters</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CutRun</name>
    <message>
        <source>Cannot cut &quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done (as %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done (re-encoded)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done (copied)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copied in whole packets: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cutting: %1 % done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Canceled</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CutSectionModel</name>
    <message>
        <source>Use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CutterControls</name>
    <message>
        <source>Split</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start to cut the file(s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel split</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step backward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step forward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sections</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done (re-encoded)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add the current playback time as a cutting point into the cutting list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove the selected section from the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove all sections from the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview the selected section</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Seconds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Milliseconds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Goto the time in the box</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade in disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade in length</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade out disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade out length</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Snap to MP3 frames</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New and moved cut points go to the nearest MP3 frame boundary</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play from the current position before adding time into the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Back to start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0.5 x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0.5x speed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Normal speed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1.5 x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1.5x speed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Milliseconds to play before the position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play the time(ms) in the box before the current position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play the time(ms) in the box after the current position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Milliseconds to play after the position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previewing: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cutting: %1 % done</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CutterWindow</name>
    <message>
        <source>Zelvo MP3 Zovozu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade in disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade out disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade in enabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade out enabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Splitting in progress, do you want to cancel ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previewing: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter a number of </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot cut &quot;%1&quot;: it holds no audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to cut: no file is open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to cut: the file is one section. Add a cut point first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to cut: every section is unticked. Tick the sections to write.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FolderChooser</name>
    <message>
        <source>Path Select</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>JobWindow</name>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the output folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open a file used lately</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No recent files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 file written in %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 files written in %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Damaged and left out: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>JoinListModel</name>
    <message>
        <source>File name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chapter</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>JoinerWindow</name>
    <message>
        <source>Zelvo MP3 Darozu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start to merge the files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel merge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Output format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select output format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play the selected file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop playing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files of the folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>First</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add selected audio files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add all audio files in the folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove selected from list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove all from list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to last</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files to join</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merging in progress, do you want to cancel ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot merge into &quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done (copied)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done (re-encoded)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merging: %1 % done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Canceled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge finished</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LoudnessDialog</name>
    <message>
        <source>1 file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Range</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>True peak</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Album</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measuring…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write ReplayGain tags</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjust MP3 gain (lossless)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MP3 files move by steps of 1.5 dB to the nearest of -18 LUFS (the album&apos;s level when several are measured), recorded so that mp3gain can undo it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measured %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ReplayGain tags written into %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; moved by %2 steps of 1.5 dB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (%1 frames reached the limit)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to move: the files are within half a step</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OptionsDialog</name>
    <message>
        <source>Zelvo MP3 Zovozu Darozu: Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set all setting to default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frequency:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channels:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sampling Rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VBR(Variable Bit Rate)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write VBR header</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bit Rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encoder Quality:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Max Bit Rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VBR Quality:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quality:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample Size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compression Level:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Where to save:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Always save to </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save to original file path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output path:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If same as an existed file:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add &quot;New&quot; after filename</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overwrite the existed file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the source&apos;s encoding (no re-encoding)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zovozu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Joinner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>+ Time +</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MP3 files of one rate and channel count are joined by copying their frames</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The path can&apos;t set as output path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Friday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>January</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>February</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>March</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>April</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>May</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>June</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>July</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>August</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>September</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>October</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>November</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>December</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Special date: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every week: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every month: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every year: %1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bring to one loudness (see Loudness)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The output is measured and brought to the target loudness, never above the peak ceiling; copied MP3 sections move in steps of 1.5 dB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> LUFS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> dBTP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Target loudness:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Peak ceiling:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Track gain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Album gain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files with ReplayGain tags are played at their gain, their peaks kept below full scale; files without them are played as they are</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play with ReplayGain:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sections are copied: MP3 frame by frame, exact to the sample, fades in steps of 1.5 dB; OGG and WMA sections without fades packet by packet, exact to the packet. Lossless and fast</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the files&apos; levels to each other (an album)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The joined file as a whole is brought to the target, not each file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fields: %1. {n:02} pads the number with zeros, {start:s} gives seconds, &quot;/&quot; makes folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Example: %1.mp3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot be used: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file name template &quot;%1&quot; cannot be used: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also write a playlist (M3U) of the files written</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlayerControls</name>
    <message>
        <source>Playback position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zovozu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MP3 Zovozu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Darozu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MP3 Darozu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjust playback volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mute playback volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use EQ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Equaliser band %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select EQ mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EQ mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disco</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Background</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Movie</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>News</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Custom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play the selected file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop playing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause playing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Share selected file by email</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to WAV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to MP3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to OGG</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to WMA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to FLAC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Elapsed and total time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting %1% done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Playing </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loudness…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to Opus</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to M4A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to M4B</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlayerWindow</name>
    <message>
        <source>You will not be able to change folder while playing or converting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zelvo MP3 Player</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting in progress, do you want to cancel ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot show &quot;%1&quot;: it is not an audio file the program reads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot show &quot;%1&quot;: there is no such file or folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select an audio file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Playing </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot convert &quot;%1&quot; into itself</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting %1% done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot rename &quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &quot;%1&quot; to the Trash?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot delete &quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot hand &quot;%1&quot; to an e-mail program: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converted: &quot;%1&quot; written in %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(damaged and left out: %1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PositionBar</name>
    <message>
        <source>Position</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Home</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File System</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
