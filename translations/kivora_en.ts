<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_TW">
<context>
    <name>kivora::ui::BrowseFolder</name>
    <message>
        <source>請選擇一個資料夾... </source>
        <translation>Please choose a folder...</translation>
    </message>
</context>
<context>
    <name>kivora::ui::DisguiseOptionsDialog</name>
    <message>
        <source>KivoRa 偽裝選項</source>
        <translation>KivoRa Disguise Options</translation>
    </message>
    <message>
        <source>使用圖像掛件(&amp;L)</source>
        <translation>Use a pendant p&amp;lug-in</translation>
    </message>
    <message>
        <source>使用選取的圖像掛件並進行偽裝</source>
        <translation>Disguise the parts with the selected pendant plug-in</translation>
    </message>
    <message>
        <source>掛件一覽表(&amp;P):</source>
        <translation>&amp;Plug-ins:</translation>
    </message>
    <message>
        <source>掛件名稱</source>
        <translation>Pendant set</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>副檔名</source>
        <translation>Extension</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>作者</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>檔名</source>
        <translation>File</translation>
    </message>
    <message>
        <source>註解(&amp;C):</source>
        <translation>Co&amp;mment:</translation>
    </message>
    <message>
        <source>※所使用的掛件在合併時便沒有使用的必要</source>
        <translation>※ The plug-in is not needed to join the parts.</translation>
    </message>
    <message>
        <source> 密碼 </source>
        <translation> Password </translation>
    </message>
    <message>
        <source>密碼(&amp;W):</source>
        <translation>Pass&amp;word:</translation>
    </message>
    <message>
        <source> KivoRa 檔案 </source>
        <translation> KivoRa file </translation>
    </message>
    <message>
        <source>把 KivoRa 檔案置入分割檔中(&amp;N)</source>
        <translation>Impla&amp;nt it in the last part</translation>
    </message>
    <message>
        <source>將 KivoRa 檔案置入最後的分割檔之中；
若設定這個選項就無法執行「再分割」。</source>
        <translation>Puts the KivoRa file into the last part;
with this option the parts cannot be resplit.</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>您未選擇任一的掛件...</source>
        <translation>No plug-in is selected...</translation>
    </message>
    <message>
        <source>以密碼加密分割檔(&amp;E)</source>
        <translation>&amp;Encrypt the parts with the password</translation>
    </message>
    <message>
        <source>以密碼加密分割檔的內容；合併時需要相同的密碼。
檔名、檔案大小與註解仍會以明文記錄在 KivoRa 檔案中，請使用不會透露內容的名稱。</source>
        <translation>Encrypts the content of the parts; joining needs the same password.
File names, sizes and the comment stay readable in the KivoRa file: use names that do not give the content away.</translation>
    </message>
    <message>
        <source>※只設定密碼時內容僅被遮掩，勾選加密才能讓內容保密。</source>
        <translation>※ A password alone only obscures the content; tick encryption to keep it secret.</translation>
    </message>
    <message>
        <source> 修復檔 </source>
        <translation> Recovery parts </translation>
    </message>
    <message>
        <source>每組數目(&amp;R):</source>
        <translation>Pe&amp;r group:</translation>
    </message>
    <message>
        <source>分割時另外建立的修復檔數目 (每一組分割檔)；
同一組裡遺失或毀損的檔案在這個數目以內，便可以用「修復」重建。</source>
        <translation>Recovery parts written beside the parts (per group of parts);
as long as no more files of a group are lost or damaged, a repair rebuilds them.</translation>
    </message>
    <message>
        <source>確認密碼(&amp;F):</source>
        <translation>Con&amp;firm:</translation>
    </message>
    <message>
        <source>加密時請再輸入一次相同的密碼</source>
        <translation>To encrypt, type the same password again</translation>
    </message>
    <message>
        <source>顯示密碼(&amp;S)</source>
        <translation>&amp;Show the password</translation>
    </message>
    <message>
        <source>加密分割檔需要密碼，請輸入密碼。</source>
        <translation>Encrypted parts need a password; please type one.</translation>
    </message>
    <message>
        <source>兩次輸入的密碼並不相同，請重新輸入。</source>
        <translation>The two passwords differ; please type them again.</translation>
    </message>
</context>
<context>
    <name>kivora::ui::FileListEditor</name>
    <message>
        <source>檔案清單編輯器</source>
        <translation>File List Editor</translation>
    </message>
    <message>
        <source>位址(&amp;R):</source>
        <translation>Add&amp;ress:</translation>
    </message>
    <message>
        <source>檔案名稱(&amp;F):</source>
        <translation>&amp;File name:</translation>
    </message>
    <message>
        <source>附加資訊(&amp;I):</source>
        <translation>Extra &amp;info:</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>kivora::ui::FileListPage</name>
    <message>
        <source>檔案清單 (*.txt)</source>
        <translation>File list (*.txt)</translation>
    </message>
    <message>
        <source>分散檔案清單(遞增) (*.txt)</source>
        <translation>Distributed file list, ascending (*.txt)</translation>
    </message>
    <message>
        <source>分散檔案清單(遞減) (*.txt)</source>
        <translation>Distributed file list, descending (*.txt)</translation>
    </message>
    <message>
        <source>所有檔案 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>執行(&amp;T)</source>
        <translation>A&amp;pply</translation>
    </message>
    <message>
        <source>執行(&amp;U)</source>
        <translation>Appl&amp;y</translation>
    </message>
    <message>
        <source>全選(&amp;L)</source>
        <translation>Select a&amp;ll</translation>
    </message>
    <message>
        <source>加入(&amp;A)</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>編輯(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>刪除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>儲存(&amp;S)...</source>
        <translation>&amp;Save...</translation>
    </message>
    <message>
        <source>下載(&amp;F)...</source>
        <translation>&amp;Fetch...</translation>
    </message>
    <message>
        <source>放棄(&amp;B)</source>
        <translation>A&amp;bort</translation>
    </message>
    <message>
        <source>位址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>檔名</source>
        <translation>File</translation>
    </message>
    <message>
        <source>附加資訊</source>
        <translation>Extra info</translation>
    </message>
    <message>
        <source>位址(&amp;R):</source>
        <translation>Add&amp;ress:</translation>
    </message>
    <message>
        <source>附加資訊(&amp;I):</source>
        <translation>Extra &amp;info:</translation>
    </message>
    <message>
        <source>複製(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>位址欄位是空白的。(405)</source>
        <translation>The address field is empty. (405)</translation>
    </message>
    <message>
        <source>請選擇清單...(411)</source>
        <translation>Please select rows of the list... (411)</translation>
    </message>
    <message>
        <source>附加資訊欄位是空白的。(406)</source>
        <translation>The extra info field is empty. (406)</translation>
    </message>
    <message>
        <source>請選擇清單...(412)</source>
        <translation>Please select rows of the list... (412)</translation>
    </message>
    <message>
        <source>選取數: %1/%2</source>
        <translation>Selected: %1/%2</translation>
    </message>
    <message>
        <source>  選取大小: %1KB</source>
        <translation>  Size: %1KB</translation>
    </message>
    <message>
        <source>請選擇要編輯的清單。(413)</source>
        <translation>Please select the row to edit. (413)</translation>
    </message>
    <message>
        <source>請選擇要刪除的清單。(414)</source>
        <translation>Please select the rows to delete. (414)</translation>
    </message>
    <message>
        <source>您是否確定要刪除這(些)項目？</source>
        <translation>Delete the selected row(s)?</translation>
    </message>
    <message>
        <source>沒有任何的檔案清單。</source>
        <translation>The file list is empty.</translation>
    </message>
    <message>
        <source>位址或檔名欄位是空白的。</source>
        <translation>An address or file name field is empty.</translation>
    </message>
    <message>
        <source>開啟清單(&amp;O)...</source>
        <translation>&amp;Open list...</translation>
    </message>
    <message numerus="yes">
        <source>上次分割的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the last split</numerusform>
            <numerusform>the %n files of the last split</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>上次再分割的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the last resplit</numerusform>
            <numerusform>the %n files of the last resplit</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>上次測試的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the last test</numerusform>
            <numerusform>the %n files of the last test</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>上次合併的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the last join</numerusform>
            <numerusform>the %n files of the last join</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>上次修復的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the last repair</numerusform>
            <numerusform>the %n files of the last repair</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>上次下載的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the last fetch</numerusform>
            <numerusform>the %n files of the last fetch</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>上次加入修復檔的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the set that last got recovery parts</numerusform>
            <numerusform>the %n files of the set that last got recovery parts</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>剛讀取的這組分割檔的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the set just read</numerusform>
            <numerusform>the %n files of the set just read</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>清單中的 %n 列 (連同它們的位址)</source>
        <translation>
            <numerusform>the %n row, with its address,</numerusform>
            <numerusform>the %n rows, with their addresses,</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>清單中的 %n 列</source>
        <translation>
            <numerusform>the %n row</numerusform>
            <numerusform>the %n rows</numerusform>
        </translation>
    </message>
    <message>
        <source>要以%1取代%2嗎？</source>
        <translation>Replace %2 by %1?</translation>
    </message>
    <message numerus="yes">
        <source>%1 的 %n 列</source>
        <translation>
            <numerusform>the %n row of %1</numerusform>
            <numerusform>the %n rows of %1</numerusform>
        </translation>
    </message>
    <message>
        <source>已儲存 %1 列的檔案清單：
%2</source>
        <translation>Saved the file list of %1 rows:
%2</translation>
    </message>
    <message>
        <source>上傳(&amp;P)...</source>
        <translation>Se&amp;nd...</translation>
    </message>
    <message numerus="yes">
        <source>上次上傳的 %n 個檔案</source>
        <translation>
            <numerusform>the %n file of the last send</numerusform>
            <numerusform>the %n files of the last send</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>kivora::ui::HelpTexts</name>
    <message>
        <source>Kivora %1
把大型檔案分割成偽裝成圖像的分割檔，再合併回來。</source>
        <translation>Kivora %1
Cuts a large file into parts disguised as pictures, and joins them back.</translation>
    </message>
    <message>
        <source>版權所有 2026 The Kivora developers。授權條款尚未公開：保留一切權利。

使用的程式庫與其授權：
Qt %1 (LGPL-3.0)、ISA-L (BSD-3-Clause)、libsodium (ISC)、OpenSSL (Apache-2.0)、ICU (Unicode-3.0)、libcurl (curl)、libdeflate (MIT)、Fontconfig (MIT)、{fmt} (MIT)、nlohmann/json (MIT)、CLI11 (BSD-3-Clause)。</source>
        <translation>Copyright 2026 The Kivora developers. No licence has been published yet: all rights reserved.

Libraries used, with their licences:
Qt %1 (LGPL-3.0), ISA-L (BSD-3-Clause), libsodium (ISC), OpenSSL (Apache-2.0), ICU (Unicode-3.0), libcurl (curl), libdeflate (MIT), Fontconfig (MIT), {fmt} (MIT), nlohmann/json (MIT), CLI11 (BSD-3-Clause).</translation>
    </message>
</context>
<context>
    <name>kivora::ui::JoinPage</name>
    <message>
        <source>瀏覽(&amp;B)...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>與 KivoRa 檔案相同的資料夾</source>
        <translation>Same folder as the KivoRa file</translation>
    </message>
    <message>
        <source>瀏覽(&amp;R)...</source>
        <translation>B&amp;rowse...</translation>
    </message>
    <message>
        <source>關聯 KivoRa 檔案(.kvr)(&amp;E)</source>
        <translation>Associate .kvr fil&amp;es with Kivora</translation>
    </message>
    <message>
        <source>合併(&amp;J)</source>
        <translation>&amp;Join</translation>
    </message>
    <message>
        <source>測試(&amp;T)</source>
        <translation>&amp;Test</translation>
    </message>
    <message>
        <source>放棄(&amp;A)</source>
        <translation>&amp;Abort</translation>
    </message>
    <message>
        <source>KivoRa 檔名(&amp;L):</source>
        <translation>KivoRa fi&amp;le:</translation>
    </message>
    <message>
        <source>儲存合併檔的位置(&amp;S):</source>
        <translation>&amp;Save the joined file in:</translation>
    </message>
    <message>
        <source>檔案資訊:</source>
        <translation>File information:</translation>
    </message>
    <message>
        <source>加入修復檔(&amp;D)</source>
        <translation>A&amp;dd recovery</translation>
    </message>
    <message>
        <source>為測試沒有問題的這組分割檔寫入修復檔</source>
        <translation>Write recovery parts for this set, which its test found without a problem</translation>
    </message>
    <message>
        <source>加入修復檔</source>
        <translation>Add recovery parts</translation>
    </message>
    <message>
        <source>每組的修復檔數目 (1 到 254)，或每組分割檔的比例 (例如 10%)：</source>
        <translation>Recovery parts per group (1 to 254), or a share of each group&apos;s parts (such as 10%):</translation>
    </message>
    <message>
        <source>這組分割檔已有修復檔：新的修復檔將取代它們。</source>
        <translation>This set has recovery parts already: the new ones will replace them.</translation>
    </message>
    <message>
        <source>取代修復檔(&amp;D)</source>
        <translation>Repla&amp;ce recovery parts</translation>
    </message>
    <message>
        <source>以新的修復檔取代這組分割檔現有的修復檔</source>
        <translation>Replaces the recovery parts of this set with new ones</translation>
    </message>
</context>
<context>
    <name>kivora::ui::MainWindow</name>
    <message>
        <source>版本 v1.10b2</source>
        <translation>Version 1.10b2</translation>
    </message>
    <message>
        <source> 分割 </source>
        <translation> Split </translation>
    </message>
    <message>
        <source> 再分割 </source>
        <translation> Resplit </translation>
    </message>
    <message>
        <source> 合併 </source>
        <translation> Join </translation>
    </message>
    <message>
        <source> 分割合併 </source>
        <translation> Split &amp;&amp; Join </translation>
    </message>
    <message>
        <source> 檔案清單 </source>
        <translation> File list </translation>
    </message>
    <message>
        <source>包含「Kivora」的資料夾已經變更。

您是否要更新 KivoRa 合併定義檔中的關聯？</source>
        <translation>The folder that holds Kivora has changed.

Update the association of KivoRa join definitions?</translation>
    </message>
    <message>
        <source>記憶體不足、無法處理(511)。</source>
        <translation>Not enough memory to go on (511).</translation>
    </message>
    <message>
        <source>記憶體不足、無法處理(512)。</source>
        <translation>Not enough memory to go on (512).</translation>
    </message>
    <message>
        <source>無法開啟檔案 %1</source>
        <translation>Cannot open the file %1</translation>
    </message>
    <message>
        <source>正在處理中。
要放棄目前的作業並結束嗎？</source>
        <translation>An operation is running.
Abort it and close Kivora?</translation>
    </message>
    <message>
        <source>選取數: %1/%2</source>
        <translation>Selected: %1/%2</translation>
    </message>
    <message>
        <source>Kivora</source>
        <translation>Kivora</translation>
    </message>
    <message>
        <source>Kivora 正在處理檔案</source>
        <translation>Kivora is working on files</translation>
    </message>
    <message>
        <source>作業已結束。</source>
        <translation>The operation has ended.</translation>
    </message>
    <message>
        <source>檔案(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開啟 KivoRa 檔案(&amp;O)...</source>
        <translation>&amp;Open KivoRa file...</translation>
    </message>
    <message>
        <source>開啟清單(&amp;L)...</source>
        <translation>Open &amp;List...</translation>
    </message>
    <message>
        <source>結束(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>說明(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>使用說明(&amp;M)</source>
        <translation>&amp;Manual</translation>
    </message>
    <message>
        <source>關於 Kivora(&amp;A)...</source>
        <translation>&amp;About Kivora...</translation>
    </message>
    <message>
        <source>找不到使用說明。</source>
        <translation>The manual was not found.</translation>
    </message>
</context>
<context>
    <name>kivora::ui::MessageLayer</name>
    <message>
        <source>錯誤</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Kivora</source>
        <translation>Kivora</translation>
    </message>
</context>
<context>
    <name>kivora::ui::PageServices</name>
    <message>
        <source>KivoRa 檔案 (*.kvr *_kvr.*);;所有檔案 (*)</source>
        <translation>KivoRa files (*.kvr *_kvr.*);;All files (*)</translation>
    </message>
</context>
<context>
    <name>kivora::ui::ResplitPage</name>
    <message>
        <source>瀏覽(&amp;B)...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>指定要再分割的檔名</source>
        <translation>The source file the parts are rebuilt from</translation>
    </message>
    <message>
        <source>瀏覽(&amp;R)...</source>
        <translation>B&amp;rowse...</translation>
    </message>
    <message>
        <source>與 KivoRa 檔案相同的資料夾</source>
        <translation>Same folder as the KivoRa file</translation>
    </message>
    <message>
        <source>瀏覽(&amp;W)...</source>
        <translation>Bro&amp;wse...</translation>
    </message>
    <message>
        <source>全選(&amp;T)</source>
        <translation>Selec&amp;t all</translation>
    </message>
    <message>
        <source>再分割(&amp;V)</source>
        <translation>Res&amp;plit</translation>
    </message>
    <message>
        <source>放棄(&amp;A)</source>
        <translation>&amp;Abort</translation>
    </message>
    <message>
        <source>KivoRa 檔名(&amp;L):</source>
        <translation>KivoRa fi&amp;le:</translation>
    </message>
    <message>
        <source>再分割的來源檔名(&amp;N):</source>
        <translation>Source &amp;file:</translation>
    </message>
    <message>
        <source>儲存再分割檔的位置(&amp;S):</source>
        <translation>&amp;Save the parts in:</translation>
    </message>
    <message>
        <source>檔案資訊:</source>
        <translation>File information:</translation>
    </message>
    <message>
        <source>所有檔案 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>請從一覽表上選擇要再次分割的檔案。
在右邊的一覽表上點選要重建的分割檔 (按住 Ctrl 或 Shift 可選取多個)，或按「全選」重建全部，然後再按「再分割」。</source>
        <translation>Please select the parts to resplit in the list.
Click the parts to rebuild in the list on the right (hold Ctrl or Shift to select several), or press Select all to rebuild every part, then press Resplit.</translation>
    </message>
    <message>
        <source>若是全選的話，
則所有的檔案都將成為再分割的對象。</source>
        <translation>Select all to rebuild
every part of the set.</translation>
    </message>
</context>
<context>
    <name>kivora::ui::SendDialog</name>
    <message>
        <source>「%1」不是檔案大小 (例如 100M)</source>
        <translation>“%1” is not a file size (such as 100M)</translation>
    </message>
    <message>
        <source>上傳</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>每行一個資料夾位址，例如
https://example.net/sets/
sftp://host/home/me/sets/
s3://bucket/sets/</source>
        <translation>One folder address a line, such as
https://example.net/sets/
sftp://host/home/me/sets/
s3://bucket/sets/</translation>
    </message>
    <message>
        <source>每個檔案放到每台主機(&amp;A)</source>
        <translation>&amp;Every file on every host</translation>
    </message>
    <message>
        <source>分散放置，任一台主機消失仍可修復(&amp;P)</source>
        <translation>S&amp;pread, so that any one host may vanish</translation>
    </message>
    <message>
        <source>不限</source>
        <translation>No limit</translation>
    </message>
    <message>
        <source>瀏覽(&amp;W)...</source>
        <translation>Bro&amp;wse...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>主機(&amp;H):</source>
        <translation>&amp;Hosts:</translation>
    </message>
    <message>
        <source>帳號密碼取自 ~/.netrc 或環境變數，不在此輸入。</source>
        <translation>User names and passwords come from ~/.netrc or the environment, never from here.</translation>
    </message>
    <message>
        <source>每台主機的最大檔案(&amp;M):</source>
        <translation>&amp;Largest file a host takes:</translation>
    </message>
    <message>
        <source>分割定義檔(&amp;D):</source>
        <translation>&amp;Definition:</translation>
    </message>
    <message>
        <source>請輸入要上傳到的主機。</source>
        <translation>Type the hosts to send to.</translation>
    </message>
    <message>
        <source>找不到分割定義檔「%1」。</source>
        <translation>The definition “%1” is not there.</translation>
    </message>
    <message>
        <source>無法讀取主機。</source>
        <translation>The hosts do not read.</translation>
    </message>
</context>
<context>
    <name>kivora::ui::SplitPage</name>
    <message>
        <source>瀏覽(&amp;B)...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>與分割來源相同的資料夾</source>
        <translation>Same folder as the source</translation>
    </message>
    <message>
        <source>瀏覽(&amp;R)...</source>
        <translation>B&amp;rowse...</translation>
    </message>
    <message>
        <source>隨機大小(&amp;D)</source>
        <translation>Ran&amp;dom sizes</translation>
    </message>
    <message>
        <source>加減 100 KB 範圍內的隨機大小</source>
        <translation>Random part sizes within ±100 KB</translation>
    </message>
    <message>
        <source>自編號 0&amp;0 開始</source>
        <translation>From 0&amp;0</translation>
    </message>
    <message>
        <source>從編號 00 開始建立連續號碼的分割檔</source>
        <translation>Number the parts from 00</translation>
    </message>
    <message>
        <source>自編號 0&amp;1 開始</source>
        <translation>From 0&amp;1</translation>
    </message>
    <message>
        <source>從編號 01 開始建立連續號碼的分割檔</source>
        <translation>Number the parts from 01</translation>
    </message>
    <message>
        <source>把 KivoRa 檔案亦建成相同的副檔名(&amp;P)</source>
        <translation>A&amp;pply the extension to the KivoRa file</translation>
    </message>
    <message>
        <source>KivoRa 偽裝(&amp;L) →</source>
        <translation>KivoRa d&amp;isguise →</translation>
    </message>
    <message>
        <source>進行圖像檔案的偽裝</source>
        <translation>Disguise the parts as pictures</translation>
    </message>
    <message>
        <source>選項(&amp;O)...</source>
        <translation>&amp;Options...</translation>
    </message>
    <message>
        <source>分割(&amp;V)</source>
        <translation>Spli&amp;t</translation>
    </message>
    <message>
        <source>放棄(&amp;A)</source>
        <translation>&amp;Abort</translation>
    </message>
    <message>
        <source>分割的來源檔名(&amp;N):</source>
        <translation>Source &amp;file:</translation>
    </message>
    <message>
        <source>儲存分割檔的位置(&amp;S):</source>
        <translation>&amp;Save the parts in:</translation>
    </message>
    <message>
        <source>分割檔大小(&amp;Z):</source>
        <translation>Part si&amp;ze:</translation>
    </message>
    <message>
        <source>KB</source>
        <translation>KB</translation>
    </message>
    <message>
        <source>分割檔名稱(&amp;M):</source>
        <translation>Part &amp;name:</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>副檔名(&amp;E):</source>
        <translation>&amp;Extension:</translation>
    </message>
    <message>
        <source>註解(&amp;C):</source>
        <translation>&amp;Comment:</translation>
    </message>
    <message>
        <source>所有檔案 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>最大分割檔大小為 %1 KB</source>
        <translation>The largest part size is %1 KB</translation>
    </message>
    <message>
        <source>含有未被設定的項目。</source>
        <translation>Some settings are not filled in.</translation>
    </message>
    <message>
        <source>※分割檔將以密碼加密 (尚未設定密碼)</source>
        <translation>※ The parts will be encrypted (no password set yet)</translation>
    </message>
    <message>
        <source>※分割檔將以密碼加密</source>
        <translation>※ The parts will be encrypted</translation>
    </message>
    <message>
        <source>請輸入分割檔大小 (1 到 %1 KB)。</source>
        <translation>Enter a part size (1 to %1 KB).</translation>
    </message>
    <message>
        <source>請輸入「%1」。</source>
        <translation>Please fill in &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>分割檔名稱</source>
        <translation>Part name</translation>
    </message>
    <message>
        <source>副檔名</source>
        <translation>Extension</translation>
    </message>
</context>
<context>
    <name>kivora::ui::StateList</name>
    <message>
        <source>檔名</source>
        <translation>File</translation>
    </message>
    <message>
        <source>狀態</source>
        <translation>State</translation>
    </message>
</context>
<context>
    <name>kivora::ui::WindowUi</name>
    <message>
        <source>Kivora</source>
        <translation>Kivora</translation>
    </message>
    <message>
        <source>所有檔案 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>%1 (發佈中)</source>
        <translation>%1 (publishing)</translation>
    </message>
    <message>
        <source>驗證</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>略過</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>%1 個檔案，共 %2，在
%3</source>
        <translation>%1 file(s), %2 in all, in
%3</translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>開啟資料夾(&amp;O)</source>
        <translation>&amp;Open folder</translation>
    </message>
    <message>
        <source>%1/秒</source>
        <translation>%1/s</translation>
    </message>
    <message>
        <source>%1 個/秒</source>
        <translation>%1 parts/s</translation>
    </message>
    <message>
        <source>%1
相同的檔案名稱已經存在。要取代它，還是另存新檔？</source>
        <translation>%1
A file of the same name already exists. Replace it, or save the joined file under another name?</translation>
    </message>
    <message>
        <source>取代(&amp;R)</source>
        <translation>&amp;Replace</translation>
    </message>
    <message>
        <source>另存新檔(&amp;S)…</source>
        <translation>&amp;Save as…</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
