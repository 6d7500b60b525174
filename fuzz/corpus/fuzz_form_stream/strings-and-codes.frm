object Form1: TForm1
  Tag = 'it''s'#10#13'x'
end
