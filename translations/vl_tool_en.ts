<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>AutomationApiHost</name>
    <message>
        <source>API %1 (クライアント %2)</source>
        <translation>API %1 (%2 clients)</translation>
    </message>
</context>
<context>
    <name>CAboutDlg</name>
    <message>
        <source>バージョン情報 VL_Tool</source>
        <translation>About VL_Tool</translation>
    </message>
</context>
<context>
    <name>CAutomationApiDlg</name>
    <message>
        <source>自動化 API</source>
        <translation>Automation API</translation>
    </message>
    <message>
        <source>自動化 API を有効にする (127.0.0.1 のみ)</source>
        <translation>Turn the automation API on (127.0.0.1 only)</translation>
    </message>
    <message>
        <source>アドレス</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>トークン</source>
        <translation>Token</translation>
    </message>
</context>
<context>
    <name>CControlLEDDlg</name>
    <message>
        <source>【LED制御】</source>
        <translation>[LED control]</translation>
    </message>
    <message>
        <source>データモニター</source>
        <translation>Data monitor</translation>
    </message>
    <message>
        <source>nm(青)</source>
        <translation>nm blue</translation>
    </message>
    <message>
        <source>nm(朱)</source>
        <translation>nm vermillion</translation>
    </message>
</context>
<context>
    <name>CEditNumDlg</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CInfoDlg</name>
    <message>
        <source>読み込み中…</source>
        <translation>Loading…</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規作成	Ctrl+N(&amp;N)</source>
        <translation>&amp;New	Ctrl+N</translation>
    </message>
    <message>
        <source>開く...	Ctrl+O(&amp;O)</source>
        <translation>&amp;Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>上書き保存	Ctrl+S(&amp;S)</source>
        <translation>&amp;Save	Ctrl+S</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>最近使ったファイル</source>
        <translation>Recent File</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す	Ctrl+Z(&amp;U)</source>
        <translation>&amp;Undo	Ctrl+Z</translation>
    </message>
    <message>
        <source>切り取り	Ctrl+X(&amp;T)</source>
        <translation>Cu&amp;t	Ctrl+X</translation>
    </message>
    <message>
        <source>コピー	Ctrl+C(&amp;C)</source>
        <translation>&amp;Copy	Ctrl+C</translation>
    </message>
    <message>
        <source>貼り付け	Ctrl+V(&amp;P)</source>
        <translation>&amp;Paste	Ctrl+V</translation>
    </message>
    <message>
        <source>ダーク設定</source>
        <translation>Dark setting</translation>
    </message>
    <message>
        <source>データ吸い上げ</source>
        <translation>Upload stored data</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ツール バー(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>ステータス バー(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>バージョン情報 VL_Tool(&amp;A)...</source>
        <translation>&amp;About VL_Tool...</translation>
    </message>
    <message>
        <source>標準</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>印刷</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>レディ</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>%1 への変更を保存しますか?</source>
        <translation>Save changes to %1?</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>トレンド表示…</source>
        <translation>Trends…</translation>
    </message>
    <message>
        <source>HDF5 にエクスポート…</source>
        <translation>Export HDF5…</translation>
    </message>
    <message>
        <source>計画を停止</source>
        <translation>Stop plan</translation>
    </message>
    <message>
        <source>ツール(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>自動化 API…</source>
        <translation>Automation API…</translation>
    </message>
    <message>
        <source>データリストをクリア</source>
        <translation>Clear data list</translation>
    </message>
    <message>
        <source>CSV にエクスポート…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>CSV (1 行 1 記録) にエクスポート…</source>
        <translation>Export CSV (one row per record)…</translation>
    </message>
</context>
<context>
    <name>CMeasurePlanDlg</name>
    <message>
        <source>【&#x3000;分単位での計測&#x3000;】</source>
        <translation>[ By the minute ]</translation>
    </message>
    <message>
        <source>定時測定</source>
        <translation>Scheduled</translation>
    </message>
    <message>
        <source>インターバル測定</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>分</source>
        <translation>m</translation>
    </message>
    <message>
        <source>時刻で範囲を指定する</source>
        <translation>Limit to a time range</translation>
    </message>
    <message>
        <source>データを追記で保存</source>
        <translation>Append to file</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>保存先: %1</source>
        <translation>Saved in: %1</translation>
    </message>
    <message>
        <source>停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>…</source>
        <translation>…</translation>
    </message>
    <message>
        <source>保存先のフォルダーを選ぶ</source>
        <translation>Choose the folder for the files</translation>
    </message>
</context>
<context>
    <name>CReadDataDlg</name>
    <message>
        <source>CSVファイルへ保存</source>
        <translation>Save to CSV file</translation>
    </message>
    <message>
        <source>データ吸い上げ中 %1 / %2</source>
        <translation>Uploading %1 / %2</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CTrendDlg</name>
    <message>
        <source>トレンド表示</source>
        <translation>Trends</translation>
    </message>
    <message>
        <source>機器:</source>
        <translation>Devices:</translation>
    </message>
    <message>
        <source>強度</source>
        <translation>Intensity</translation>
    </message>
    <message>
        <source>バンド平均</source>
        <translation>Band mean</translation>
    </message>
    <message>
        <source>ピーク</source>
        <translation>Peak</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>横軸:</source>
        <translation>X axis:</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>レコード番号</source>
        <translation>Record number</translation>
    </message>
    <message>
        <source>CSV 保存...</source>
        <translation>Save CSV...</translation>
    </message>
    <message>
        <source>PNG 保存...</source>
        <translation>Save PNG...</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>レコードがありません</source>
        <translation>No records</translation>
    </message>
    <message>
        <source>機器と系列を選んでください</source>
        <translation>Choose devices and series</translation>
    </message>
    <message>
        <source>保存しました: %1</source>
        <translation>Saved: %1</translation>
    </message>
    <message>
        <source>画像の保存に失敗しました: %1</source>
        <translation>Could not save the picture: %1</translation>
    </message>
    <message>
        <source>バンド %1–%2 nm: 始まりが終わりより長い波長です</source>
        <translation>Band %1–%2 nm: the first wavelength is above the last</translation>
    </message>
    <message>
        <source>%1 nm は波長の範囲 (%2–%3 nm) の外です</source>
        <translation>%1 nm is outside the wavelength grid (%2–%3 nm)</translation>
    </message>
    <message>
        <source>%1 nm はどの機器の波長の範囲 (%2) にもありません</source>
        <translation>%1 nm is on no device&apos;s wavelength grid (%2)</translation>
    </message>
    <message>
        <source>色の系列を計算しています… %1%</source>
        <translation>Working out the colour series… %1%</translation>
    </message>
</context>
<context>
    <name>CVL_ToolDoc</name>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
</context>
<context>
    <name>CVL_ToolView</name>
    <message>
        <source>詳細</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>再検出</source>
        <translation>Detect again</translation>
    </message>
    <message>
        <source>露光時間(us)</source>
        <translation>Exposure (us)</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>平均回数</source>
        <translation>Averaging</translation>
    </message>
    <message>
        <source>データ取得</source>
        <translation>Acquire</translation>
    </message>
    <message>
        <source>連続</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>データリスト</source>
        <translation>Data list</translation>
    </message>
    <message>
        <source>計測プラン</source>
        <translation>Measurement plan</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>基準登録</source>
        <translation>Set reference</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Comparison</translation>
    </message>
    <message>
        <source>CSV保存</source>
        <translation>Save CSV</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>補助設定: 選択中の装置に送る整数（単位なし、-2147483648～2147483647）。ファームウェア 1.5 より新しい装置だけ</source>
        <translation>Auxiliary setting: a whole number sent to the selected device (no unit, -2147483648 to 2147483647); only devices with firmware above 1.5</translation>
    </message>
    <message>
        <source>連続取得の間隔: ミリ秒（0～2147483647）。0 ではモニタリングのたびに記録します</source>
        <translation>Interval of repeated acquisition: milliseconds (0 to 2147483647); 0 stores a record at every monitoring tick</translation>
    </message>
</context>
<context>
    <name>ChromaticityDiagram</name>
    <message>
        <source>色度: 範囲外</source>
        <translation>chromaticity: out of range</translation>
    </message>
</context>
<context>
    <name>ColourMetrics</name>
    <message>
        <source>補色波長</source>
        <translation>compl.</translation>
    </message>
    <message>
        <source>主波長</source>
        <translation>dominant</translation>
    </message>
    <message>
        <source>純度</source>
        <translation>purity</translation>
    </message>
    <message>
        <source>ピーク</source>
        <translation>peak</translation>
    </message>
    <message>
        <source>重心</source>
        <translation>centroid</translation>
    </message>
    <message>
        <source>半値幅</source>
        <translation>FWHM</translation>
    </message>
</context>
<context>
    <name>DataSetFormat</name>
    <message>
        <source>VL_Tool Files</source>
        <translation>VL_Tool Files</translation>
    </message>
    <message>
        <source>CSV</source>
        <translation>CSV</translation>
    </message>
    <message>
        <source>HDF5</source>
        <translation>HDF5</translation>
    </message>
    <message>
        <source>CSV (1 行 1 記録)</source>
        <translation>CSV (one row per record)</translation>
    </message>
</context>
<context>
    <name>DeviceSettings</name>
    <message>
        <source>露光時間</source>
        <translation>exposure</translation>
    </message>
    <message>
        <source>平均回数</source>
        <translation>averaging</translation>
    </message>
    <message>
        <source>補助設定</source>
        <translation>auxiliary setting</translation>
    </message>
    <message>
        <source>スロット %1 の装置 (%2)</source>
        <translation>device in slot %1 (%2)</translation>
    </message>
    <message>
        <source>スロット %1 の装置 (ファームウェア %2)</source>
        <translation>device in slot %1 (firmware %2)</translation>
    </message>
    <message>
        <source>%1 は%2を受け付けません</source>
        <translation>%1 takes no %2</translation>
    </message>
    <message>
        <source>%1 が設定に応答しません</source>
        <translation>%1 does not answer the settings</translation>
    </message>
    <message>
        <source>%1 の%2は %3%4 です (%5%4 ではありません)</source>
        <translation>%1 reports %2 %3%4, not %5%4</translation>
    </message>
    <message>
        <source>分光器が見つかりません</source>
        <translation>no spectrometer found</translation>
    </message>
    <message>
        <source>スロット %1 に装置がありません</source>
        <translation>no device in slot %1</translation>
    </message>
    <message>
        <source>%1 %2%3 は %4〜%5%3 の範囲外です</source>
        <translation>%1 %2%3 is outside %4..%5%3</translation>
    </message>
    <message>
        <source>ダーク</source>
        <translation>dark</translation>
    </message>
    <message>
        <source>%1 がダーク設定に応答しません</source>
        <translation>%1 does not answer the dark request</translation>
    </message>
    <message>
        <source>LED ユニットが見つかりません</source>
        <translation>no LED unit found</translation>
    </message>
    <message>
        <source>LED ユニットが応答しません</source>
        <translation>the LED unit does not answer</translation>
    </message>
    <message>
        <source>LED ユニットの状態は %1 です (%2 ではありません)</source>
        <translation>the LED unit reports state %1, not %2</translation>
    </message>
</context>
<context>
    <name>DocumentFile</name>
    <message>
        <source>予期しないファイル形式です。</source>
        <translation>Unexpected file format.</translation>
    </message>
    <message>
        <source>ドキュメントを開くことに失敗しました。</source>
        <translation>Failed to open the document.</translation>
    </message>
    <message>
        <source>ドキュメントの保存に失敗しました。</source>
        <translation>Failed to save the document.</translation>
    </message>
    <message>
        <source>この記録には波長範囲の違う装置があります。文書ファイルには一つの範囲しか保存できません。HDF5 (.h5) で保存してください。</source>
        <translation>The record holds devices with different wavelength ranges; a document file holds only one. Save as HDF5 (.h5).</translation>
    </message>
</context>
<context>
    <name>LedMonitor</name>
    <message>
        <source>%1～%2 nm の範囲外です</source>
        <translation>Outside %1 to %2 nm</translation>
    </message>
</context>
<context>
    <name>LiveGraph</name>
    <message>
        <source>応答なし</source>
        <translation>no reply</translation>
    </message>
</context>
<context>
    <name>MainView</name>
    <message>
        <source>%1: 別の装置がつながっています。再検出してください</source>
        <translation>%1: another device is attached there; detect again</translation>
    </message>
    <message>
        <source>応答なし: %1</source>
        <translation>No reply: %1</translation>
    </message>
    <message>
        <source> [応答なし]</source>
        <translation> [no reply]</translation>
    </message>
    <message>
        <source>検出中… %1</source>
        <translation>Detecting… %1</translation>
    </message>
    <message>
        <source>終了しました</source>
        <translation>Finished</translation>
    </message>
    <message>
        <source>%1〜%2 µs の整数を入力してください</source>
        <translation>Enter a whole number from %1 to %2 µs</translation>
    </message>
    <message>
        <source>平均回数は %1〜%2 から選んでください</source>
        <translation>Choose an averaging count from %1 to %2</translation>
    </message>
    <message>
        <source>先に基準データを選択してください</source>
        <translation>Select the reference data first</translation>
    </message>
    <message>
        <source>ダーク設定を行います。よろしいですか</source>
        <translation>The dark setting will be taken. Continue?</translation>
    </message>
    <message>
        <source>スペクトル（線）</source>
        <translation>Spectrum (lines)</translation>
    </message>
    <message>
        <source>スペクトル（色）</source>
        <translation>Spectrum (colour)</translation>
    </message>
    <message>
        <source>スペクトル（比較）</source>
        <translation>Spectrum (comparison)</translation>
    </message>
    <message>
        <source>スペクトル（吸収率）</source>
        <translation>Spectrum (absorbance)</translation>
    </message>
    <message>
        <source>色度図&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;</source>
        <translation>Chromaticity diagram</translation>
    </message>
    <message>
        <source>基準データは&#x3000;参照に選択できません</source>
        <translation>The reference data cannot be chosen for comparison</translation>
    </message>
    <message>
        <source>データ取得</source>
        <translation>Acquire</translation>
    </message>
    <message>
        <source>取得停止</source>
        <translation>Stop acquisition</translation>
    </message>
    <message>
        <source>モニター再開</source>
        <translation>Resume monitor</translation>
    </message>
    <message>
        <source>データ一覧の装置: %1 / 接続中: %2</source>
        <translation>Devices of the data list: %1 / attached: %2</translation>
    </message>
    <message>
        <source>データ一覧には別の装置の記録があります。
%1
接続中の装置の記録は混ぜずに、新しいデータを始めますか?</source>
        <translation>The data list holds records of other devices.
%1
Start new data for the attached devices instead of mixing them?</translation>
    </message>
    <message>
        <source>データ一覧が一杯です (%1 件)。
保存して、新しいデータを始めますか?</source>
        <translation>The data list is full (%1 records).
Save it and start a new data set?</translation>
    </message>
    <message>
        <source>保存先のフォルダーにファイルを作れません: %1
別のフォルダーを選んでください</source>
        <translation>No files can be made in the folder %1
Choose another folder.</translation>
    </message>
    <message>
        <source>測定計画 実行中: 次回 %1、記録 %2 件</source>
        <translation>Plan running: next %1, %2 records</translation>
    </message>
    <message>
        <source>、ファイル %1</source>
        <translation>, file %1</translation>
    </message>
    <message>
        <source>データ一覧が一杯です (%1 件): 保存して、「データ取得」で新しいデータを始めてください</source>
        <translation>The data list is full (%1 records): save it, then Acquire starts a new data set</translation>
    </message>
    <message>
        <source>。測定計画の記録はファイルにだけ書かれます</source>
        <translation>. The plan&apos;s records go to its file only</translation>
    </message>
    <message>
        <source>試料/基準 (%)</source>
        <translation>sample/reference (%)</translation>
    </message>
    <message>
        <source>吸光度 -log10(試料/基準)</source>
        <translation>absorbance -log10(sample/reference)</translation>
    </message>
    <message>
        <source>選択した %1 件の記録を削除しますか?</source>
        <translation>Delete the %1 selected records?</translation>
    </message>
</context>
<context>
    <name>PlanScheduler</name>
    <message>
        <source>1分毎</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>5分毎</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>10分毎</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>20分毎</source>
        <translation>20 min</translation>
    </message>
    <message>
        <source>30分毎</source>
        <translation>30 min</translation>
    </message>
    <message>
        <source>1時間毎</source>
        <translation>1 hour</translation>
    </message>
    <message>
        <source>インターバルは1分以上を指定してください</source>
        <translation>Give an interval of 1 minute or more</translation>
    </message>
    <message>
        <source>時刻の範囲は 0:00〜23:59 の時刻を入力してください</source>
        <translation>Enter times of the day (0:00 to 23:59) for the time range</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
</context>
<context>
    <name>RecoveryJournal</name>
    <message>
        <source>復元用の記録ファイルではありません</source>
        <translation>Not a recovery journal</translation>
    </message>
    <message>
        <source>バイト %1 の記録が壊れています。それ以降は復元しません</source>
        <translation>The entry at byte %1 is damaged; nothing from there on is restored</translation>
    </message>
    <message>
        <source>%1 を読めません: %2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <source>復元用の記録を書けません (%1): %2</source>
        <translation>Cannot write the recovery journal (%1): %2</translation>
    </message>
    <message>
        <source>フォルダーを作れません</source>
        <translation>the folder cannot be created</translation>
    </message>
    <message>
        <source>ロックできません</source>
        <translation>it cannot be locked</translation>
    </message>
</context>
<context>
    <name>SaveFailureText</name>
    <message>
        <source>ファイルを作成できません: </source>
        <translation>Cannot create the file: </translation>
    </message>
    <message>
        <source>ファイルの書き込みに失敗しました: </source>
        <translation>Failed to write the file: </translation>
    </message>
</context>
<context>
    <name>ViewController</name>
    <message>
        <source>前回終了時の測定データが残っています。復元しますか?</source>
        <translation>Records from a session that did not end cleanly were found. Restore them?</translation>
    </message>
    <message>
        <source>%1 件の記録 (%2 〜 %3)</source>
        <translation>%1 records (%2 to %3)</translation>
    </message>
</context>
<context>
    <name>velarim-cli</name>
    <message>
        <source>スロット %1 に装置がありません</source>
        <translation>no device in slot %1</translation>
    </message>
    <message>
        <source>標準出力への書き込みに失敗しました</source>
        <translation>writing to standard output failed</translation>
    </message>
    <message>
        <source>スロット %1 の装置からスペクトルを読めません</source>
        <translation>no spectrum from the device in slot %1</translation>
    </message>
    <message>
        <source>convert にはファイル名を二つ指定してください: IN.vltd|IN.h5 OUT.csv|OUT.vltd|OUT.h5</source>
        <translation>convert takes two file names: IN.vltd|IN.h5 OUT.csv|OUT.vltd|OUT.h5</translation>
    </message>
    <message>
        <source>list が受け付けるのはポートのオプションだけです: &quot;%1&quot;</source>
        <translation>list takes no arguments besides the port options, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>警告: %1</source>
        <translation>warning: %1</translation>
    </message>
    <message>
        <source>trend: %1 には値が必要です</source>
        <translation>trend: %1 needs a value</translation>
    </message>
    <message>
        <source>trend: --nm には波長を nm 単位の整数で指定してください: &quot;%1&quot;</source>
        <translation>trend: --nm takes a whole wavelength in nm, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>trend: --band には A-B を nm 単位の整数で指定してください: &quot;%1&quot;</source>
        <translation>trend: --band takes A-B in whole nm, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>trend: 不明なオプション &quot;%1&quot;</source>
        <translation>trend: unknown option &quot;%1&quot;</translation>
    </message>
    <message>
        <source>trend: 文書ファイル (FILE.vltd) を指定してください</source>
        <translation>trend: name the document file (FILE.vltd)</translation>
    </message>
    <message>
        <source>スロット %1 の装置は LX 型ではありません</source>
        <translation>device in slot %1 is not the LX model</translation>
    </message>
    <message>
        <source>装置には %1 件の記録があります。最初の %2 件を読みました</source>
        <translation>the device holds %1 records; the first %2 were read</translation>
    </message>
    <message>
        <source>不明なコマンド &quot;%1&quot;</source>
        <translation>unknown command &quot;%1&quot;</translation>
    </message>
    <message>
        <source>%1: 余分な引数 &quot;%2&quot;</source>
        <translation>%1: unexpected argument &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1 には整数を指定してください (&quot;%2&quot; は不可)</source>
        <translation>%1 takes a whole number, not &quot;%2&quot;</translation>
    </message>
    <message>
        <source>--led には on か off を指定してください (&quot;%1&quot; は不可)</source>
        <translation>--led takes on or off, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>acquire には &quot;%1&quot; は指定できません</source>
        <translation>acquire does not take &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--records には 1〜%1 件を指定してください</source>
        <translation>--records takes 1 to %1 records</translation>
    </message>
    <message>
        <source>--interval-ms には 0 以上のミリ秒を指定してください</source>
        <translation>--interval-ms takes 0 or more milliseconds</translation>
    </message>
    <message>
        <source>acquire には出力ファイルが必要です: --csv, --vltd, --h5, --append-csv のいずれか</source>
        <translation>acquire needs an output file: --csv, --vltd, --h5 or --append-csv</translation>
    </message>
    <message>
        <source>--csv と --append-csv を両方とも標準出力 (-) にはできません</source>
        <translation>--csv and --append-csv cannot both go to standard output (-)</translation>
    </message>
    <message>
        <source>--vltd と --h5 にはファイル名を指定してください (標準出力 - は不可)</source>
        <translation>--vltd and --h5 take a file name, not standard output (-)</translation>
    </message>
    <message>
        <source>分光器が見つかりません</source>
        <translation>no spectrometer found</translation>
    </message>
    <message>
        <source>%1 が再び応答しています</source>
        <translation>%1 answers again</translation>
    </message>
    <message>
        <source>%1 が応答しません</source>
        <translation>%1 does not answer</translation>
    </message>
    <message>
        <source>%1 件の記録 (装置 %2 台)</source>
        <translation>%1 records of %2 devices</translation>
    </message>
    <message>
        <source>spectrum: 標準出力に書けませんでした</source>
        <translation>spectrum: writing to standard output failed</translation>
    </message>
    <message>
        <source>記録は %1 に残っています (velarim-cli recover)</source>
        <translation>the records are kept in %1 (velarim-cli recover)</translation>
    </message>
    <message>
        <source>recover には --list か、記録ファイルと出力ファイルを指定してください: --list [--folder DIR] | JOURNAL OUT.csv|OUT.vltd|OUT.h5|-</source>
        <translation>recover takes --list, or a journal and an output file: --list [--folder DIR] | JOURNAL OUT.csv|OUT.vltd|OUT.h5|-</translation>
    </message>
    <message>
        <source>trend: 系列を一つ以上指定してください (--nm, --band, --peak, --xy, --uv, --cct, --temperature)</source>
        <translation>trend: name at least one series (--nm, --band, --peak, --xy, --uv, --cct, --temperature)</translation>
    </message>
    <message>
        <source>%1: 出力ファイル名の末尾は %2 のいずれかにしてください</source>
        <translation>%1: the output name must end in one of %2</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
</TS>
